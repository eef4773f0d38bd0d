// The backend transport: form encoding, the POST request, the reply checks and the error values, through real
// HTTP on loopback.
#include "BackendTestSupport.h"
#include "app/Deployment.h"
#include "backend/StrictJson.h"

#include <QElapsedTimer>

using namespace molvena;
using namespace molvena::test;
using namespace std::chrono_literals;

namespace {

// What a postForm call is expected to end with: the returned body, or an error of this shape.
enum class Outcome { body, backendError, transportError, jsonSyntaxError };

} // namespace

Q_DECLARE_METATYPE(FormFields)
Q_DECLARE_METATYPE(Outcome)

class BackendTransportTest : public QObject {
    Q_OBJECT
private slots:
    void encodeForm_data();
    void encodeForm();
    void postFormSendsOneFormEncodedPostToTheEndpoint();
    void endpointIsAppendedAsOnePathComponent();
    void constructionRejectsURLsThatAreNotAbsolute();
    void postFormJudgesTheHTTPStatus_data();
    void postFormJudgesTheHTTPStatus();
    void transportFailuresPassThroughUnchanged_data();
    void transportFailuresPassThroughUnchanged();
    void postFormToURLFailsOnAnyStatusOutside2xx_data();
    void postFormToURLFailsOnAnyStatusOutside2xx();
    void requireSuccess_data();
    void requireSuccess();
};

void BackendTransportTest::encodeForm_data() {
    QTest::addColumn<FormFields>("fields");
    QTest::addColumn<QByteArray>("body");

    QTest::newRow("documented example: sorted, blank as %20, + = & escaped")
        << FormFields{{"name", "a+b=c&d"}, {"code", "123 456"}}
        << QByteArray("code=123%20456&name=a%2Bb%3Dc%26d");
    QTest::newRow("ø is two UTF-8 escapes, upper-case hex")
        << FormFields{{"name", "Søren"}} << QByteArray("name=S%C3%B8ren");
    QTest::newRow("e-mail: @ escaped, . kept")
        << FormFields{{"email", "anne.b@x.dk"}} << QByteArray("email=anne.b%40x.dk");
    QTest::newRow("the six characters taken out of the query set")
        << FormFields{{"v", "+&=?#@"}} << QByteArray("v=%2B%26%3D%3F%23%40");
    QTest::newRow("what stays unescaped")
        << FormFields{{"v", "AZaz09!$'()*,-./:;_~"}} << QByteArray("v=AZaz09!$'()*,-./:;_~");
    QTest::newRow("other ASCII is escaped") << FormFields{{"v", "%\"<>[]\\^`{|}\n\t"}}
                                            << QByteArray("v=%25%22%3C%3E%5B%5D%5C%5E%60%7B%7C%7D%0A%09");
    QTest::newRow("contact string keeps its colons")
        << FormFields{{"support_contacts", "Anna::1234 5678|Bo::+45 2233"}}
        << QByteArray("support_contacts=Anna::1234%205678%7CBo::%2B45%202233");
    QTest::newRow("four-byte character") << FormFields{{"v", "😀"}} << QByteArray("v=%F0%9F%98%80");
    QTest::newRow("empty value keeps name=")
        << FormFields{{"push_token", ""}, {"a", "1"}} << QByteArray("a=1&push_token=");
    QTest::newRow("no fields, empty body") << FormFields{} << QByteArray();
    // The encoded pairs are sorted, not the raw names: "a=" sorts before "a_", "%C3%B8" before "z".
    QTest::newRow("pairs sorted as encoded text")
        << FormFields{{"a_b", "1"}, {"a", "2"}, {"z", "3"}, {"ø", "4"}}
        << QByteArray("%C3%B8=4&a=2&a_b=1&z=3");
    QTest::newRow("names are escaped too") << FormFields{{"a b", "c"}} << QByteArray("a%20b=c");
}

void BackendTransportTest::encodeForm() {
    QFETCH(FormFields, fields);
    QTEST(APIClient::encodeForm(fields), "body");
}

void BackendTransportTest::postFormSendsOneFormEncodedPostToTheEndpoint() {
    LoopbackBackend backend;
    backend.server.enqueue(reply(200, R"({"success":true})"));
    const auto outcome = runTask(backend.client.postForm(
        "pairing.php", {{"name", "Åse Ørum"}, {"email", "aase@x.dk"}, {"code", "123 456"}}));
    QVERIFY2(outcome.finished && !outcome.error, describe(outcome.error));
    QCOMPARE(*outcome.value, QByteArray(R"({"success":true})"));

    QCOMPARE(backend.server.requests().size(), 1);
    const RecordedRequest& request = backend.server.requests().first();
    QCOMPARE(request.method, QByteArray("POST"));
    QCOMPARE(request.path, QStringLiteral("/api/pairing.php"));
    QCOMPARE(request.headers.value("content-type"),
             QByteArray("application/x-www-form-urlencoded; charset=utf-8"));
    QCOMPARE(request.body, QByteArray("code=123%20456&email=aase%40x.dk&name=%C3%85se%20%C3%98rum"));
}

void BackendTransportTest::endpointIsAppendedAsOnePathComponent() {
    QNetworkAccessManager network;
    FixedDeviceInfo device;
    const QUrl proxy(QStringLiteral("https://block.example/shield_blocked"));
    QCOMPARE(
        APIClient(QUrl("https://api.example/api/"), proxy, network, 20s, device).endpointURL("count.php"),
        QUrl("https://api.example/api/count.php"));
    QCOMPARE(APIClient(QUrl("https://api.example/api"), proxy, network, 20s, device).endpointURL("count.php"),
             QUrl("https://api.example/api/count.php"));
    QCOMPARE(APIClient(QUrl("http://127.0.0.1:8080"), proxy, network, 20s, device).endpointURL("pairing.php"),
             QUrl("http://127.0.0.1:8080/pairing.php"));
}

void BackendTransportTest::constructionRejectsURLsThatAreNotAbsolute() {
    QNetworkAccessManager network;
    FixedDeviceInfo device;
    const QUrl good(QStringLiteral("https://api.example/api/"));
    QVERIFY_THROWS_EXCEPTION(std::invalid_argument, APIClient(QUrl("api/"), good, network, 20s, device));
    QVERIFY_THROWS_EXCEPTION(std::invalid_argument,
                             APIClient(good, QUrl("http://[bad"), network, 20s, device));
    QVERIFY_THROWS_EXCEPTION(std::invalid_argument, APIClient(QUrl(), good, network, 20s, device));
    const APIClient client(good, QUrl("https://block.example/shield_blocked"), network, 20s, device);
    QCOMPARE(client.timeout(), 20s);
    QCOMPARE(APIClient::defaultTimeout, 20s);
}

void BackendTransportTest::postFormJudgesTheHTTPStatus_data() {
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QByteArray>("contentType");
    QTest::addColumn<bool>("succeeds");
    QTest::addColumn<QString>("message");

    QTest::newRow("200 returns the body unread")
        << 200 << QByteArray("not json") << QByteArray("text/plain") << true << QString();
    QTest::newRow("204 empty") << 204 << QByteArray() << QByteArray("text/plain") << true << QString();
    QTest::newRow("299 is still success")
        << 299 << QByteArray(R"({"error":"x"})") << QByteArray("application/json") << true << QString();
    QTest::newRow("404 with JSON error")
        << 404 << QByteArray(R"({"success":false,"error":"Enheden findes ikke"})")
        << QByteArray("application/json") << false << QStringLiteral("Enheden findes ikke");
    QTest::newRow("422 with empty JSON error keeps it empty")
        << 422 << QByteArray(R"({"error":""})") << QByteArray("application/json") << false << QString("");
    QTest::newRow("400 with a numeric error uses the body")
        << 400 << QByteArray(R"({"error":5})") << QByteArray("application/json") << false
        << QStringLiteral(R"({"error":5})");
    QTest::newRow("403 with a JSON array uses the body")
        << 403 << QByteArray(R"([{"error":"x"}])") << QByteArray("application/json") << false
        << QStringLiteral(R"([{"error":"x"}])");
    QTest::newRow("401 with JSON error")
        << 401 << QByteArray(R"({"error":"Forkert PIN"})") << QByteArray("application/json") << false
        << QStringLiteral("Forkert PIN");
    QTest::newRow("500 empty is Serverfejl")
        << 500 << QByteArray() << QByteArray("text/plain") << false << QStringLiteral("Serverfejl");
    QTest::newRow("502 HTML is the HTML text")
        << 502 << QByteArray("<html><body>Bad Gateway – prøv igen</body></html>") << QByteArray("text/html")
        << false << QStringLiteral("<html><body>Bad Gateway – prøv igen</body></html>");
    QTest::newRow("503 invalid UTF-8 is Serverfejl")
        << 503 << QByteArray("\xff\xfe\xfd") << QByteArray("text/plain") << false
        << QStringLiteral("Serverfejl");
    QTest::newRow("429 plain text") << 429 << QByteArray("For mange forsøg") << QByteArray("text/plain")
                                    << false << QStringLiteral("For mange forsøg");
}

void BackendTransportTest::postFormJudgesTheHTTPStatus() {
    QFETCH(int, status);
    QFETCH(QByteArray, body);
    QFETCH(QByteArray, contentType);
    QFETCH(bool, succeeds);
    QFETCH(QString, message);

    LoopbackBackend backend;
    backend.server.enqueue(reply(status, body, contentType));
    const auto outcome = runTask(backend.client.postForm("mac_account.php", {{"action", "profile"}}));
    QVERIFY(outcome.finished);
    if (succeeds) {
        QVERIFY2(!outcome.error, describe(outcome.error));
        QCOMPARE(*outcome.value, body);
        return;
    }
    const auto error = errorAs<BackendError>(outcome.error);
    QVERIFY2(error, describe(outcome.error));
    QCOMPARE(error->domain(), QStringLiteral("Molvena"));
    QCOMPARE(error->code(), status);
    QCOMPARE(error->message(), message);
    QCOMPARE(error->description(), message);
}

void BackendTransportTest::transportFailuresPassThroughUnchanged_data() {
    QTest::addColumn<QString>("server");
    QTest::addColumn<int>("networkError");
    QTest::addColumn<QString>("description");

    QTest::newRow("connection refused") << "closed port" << int(QNetworkReply::ConnectionRefusedError)
                                        << "Der kunne ikke oprettes forbindelse til serveren.";
    QTest::newRow("never answers: the transfer time-out")
        << "never answers" << int(QNetworkReply::TimeoutError) << "Anmodningen fik timeout.";
    QTest::newRow("connection dropped without a reply")
        << "drops" << int(QNetworkReply::RemoteHostClosedError) << "Netværksforbindelsen gik tabt.";
}

void BackendTransportTest::transportFailuresPassThroughUnchanged() {
    QFETCH(QString, server);
    QFETCH(int, networkError);

    ScriptedHttpServer scripted;
    QNetworkAccessManager network;
    FixedDeviceInfo device;
    QUrl base = scripted.url(QStringLiteral("/api/"));
    if (server == QLatin1String("closed port")) {
        base.setPort(ScriptedHttpServer::closedPort());
    } else if (server == QLatin1String("never answers")) {
        scripted.setDefaultReply(ScriptedReply{.body = {}, .neverAnswer = true});
    } else {
        scripted.setDefaultReply(ScriptedReply{.body = {}, .dropConnection = true});
    }
    const APIClient client(base, base, network, 300ms, device);

    QElapsedTimer clock;
    clock.start();
    const auto outcome = runTask(client.postForm("mac_device_status.php", {{"device_token", "mac-1"}}));
    QVERIFY(outcome.finished);
    const auto error = errorAs<TransportError>(outcome.error);
    QVERIFY2(error, describe(outcome.error));
    QCOMPARE(int(error->networkError()), networkError);
    QCOMPARE(error->code(), networkError);
    QTEST(error->description(), "description");
    QVERIFY2(clock.elapsed() < 5000, "the injected 300 ms time-out bounds the wait");
    if (server == QLatin1String("never answers")) {
        QVERIFY(error->isTimeout());
        QVERIFY(clock.elapsed() >= 250); // coarse timers may fire up to 5 % early
    }
}

void BackendTransportTest::postFormToURLFailsOnAnyStatusOutside2xx_data() {
    QTest::addColumn<int>("status");
    QTest::addColumn<bool>("succeeds");
    QTest::newRow("200") << 200 << true;
    QTest::newRow("204") << 204 << true;
    QTest::newRow("404 with JSON error: no message of its own") << 404 << false;
    QTest::newRow("500") << 500 << false;
}

void BackendTransportTest::postFormToURLFailsOnAnyStatusOutside2xx() {
    QFETCH(int, status);
    QFETCH(bool, succeeds);
    LoopbackBackend backend;
    backend.server.enqueue(reply(status, R"({"error":"Ikke her"})"));
    const auto outcome = runTask(backend.client.postFormToURL(
        backend.server.url("/shield_blocked"), {{"domain", "bet365.dk"}, {"device_token", "mac-1"}}));
    QVERIFY(outcome.finished);
    QCOMPARE(backend.server.requests().size(), 1);
    QCOMPARE(backend.server.requests().first().path, QStringLiteral("/shield_blocked"));
    QCOMPARE(backend.server.requests().first().body, QByteArray("device_token=mac-1&domain=bet365.dk"));
    if (succeeds) {
        QVERIFY2(!outcome.error, describe(outcome.error));
        return;
    }
    QVERIFY2(!errorAs<BackendError>(outcome.error), "the block proxy's refusal is not a BackendError");
    const auto error = errorAs<TransportError>(outcome.error);
    QVERIFY2(error, describe(outcome.error));
    QCOMPARE(error->httpStatus(), std::optional<int>(status));
    QCOMPARE(error->description(), QStringLiteral("The operation couldn\u2019t be completed."));
}

void BackendTransportTest::requireSuccess_data() {
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<Outcome>("outcome");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("message");

    const QString refused = QStringLiteral("Handlingen kunne ikke gennemføres");
    QTest::newRow("true") << QByteArray(R"({"success":true})") << Outcome::body << 0 << QString();
    QTest::newRow("1") << QByteArray(R"({"success":1})") << Outcome::body << 0 << QString();
    QTest::newRow("1.0") << QByteArray(R"({"success":1.0,"error":"ignored"})") << Outcome::body << 0
                         << QString();
    QTest::newRow("false") << QByteArray(R"({"success":false})") << Outcome::backendError << 400 << refused;
    QTest::newRow("false with error text") << QByteArray(R"({"success":false,"error":"Forkert PIN"})")
                                           << Outcome::backendError << 400 << QStringLiteral("Forkert PIN");
    QTest::newRow("text \"true\" does not count")
        << QByteArray(R"({"success":"true"})") << Outcome::backendError << 400 << refused;
    QTest::newRow("2 does not count")
        << QByteArray(R"({"success":2})") << Outcome::backendError << 400 << refused;
    QTest::newRow("0") << QByteArray(R"({"success":0})") << Outcome::backendError << 400 << refused;
    QTest::newRow("null") << QByteArray(R"({"success":null})") << Outcome::backendError << 400 << refused;
    QTest::newRow("missing, numeric error")
        << QByteArray(R"({"error":7})") << Outcome::backendError << 400 << refused;
    QTest::newRow("array") << QByteArray("[1,2]") << Outcome::backendError << 500
                           << QStringLiteral("Ugyldigt serversvar");
    QTest::newRow("not JSON") << QByteArray("<html>OK</html>") << Outcome::jsonSyntaxError << 0 << QString();
    QTest::newRow("empty") << QByteArray() << Outcome::jsonSyntaxError << 0 << QString();
}

void BackendTransportTest::requireSuccess() {
    QFETCH(QByteArray, body);
    QFETCH(Outcome, outcome);
    QFETCH(int, code);
    QFETCH(QString, message);
    switch (outcome) {
    case Outcome::body:
        APIClient::requireSuccess(body);
        break;
    case Outcome::backendError:
        try {
            APIClient::requireSuccess(body);
            QFAIL("requireSuccess accepted the reply");
        } catch (const BackendError& error) {
            QCOMPARE(error.domain(), QStringLiteral("Molvena"));
            QCOMPARE(error.code(), code);
            QCOMPARE(error.message(), message);
        }
        break;
    case Outcome::jsonSyntaxError:
        QVERIFY_THROWS_EXCEPTION(JsonSyntaxError, APIClient::requireSuccess(body));
        break;
    case Outcome::transportError:
        QFAIL("not a requireSuccess outcome");
    }
}

QTEST_GUILESS_MAIN(BackendTransportTest)
#include "BackendTransportTest.moc"
