// The backend client against a scripted peer on loopback, for what the reference server never does: exact
// bytes on the wire, malformed and refusing replies, time-outs and dropped connections. What the real server
// does with the client's requests is checked in tests/contract.
#include "BackendTesting.h"

#include <QElapsedTimer>
#include <QUuid>
#include <QtTest/QtTest>

#include <cmath>
#include <functional>
#include <limits>

using namespace molvena;
using namespace molvena::test;
using namespace std::chrono_literals;

namespace {

// One operation; on success the text the test compares ("ok", or the body postForm returned).
using Call = std::function<QCoro::Task<QString>(const APIClient&)>;

template <typename T> QCoro::Task<QString> ok(QCoro::Task<T> task) {
    co_await std::move(task);
    co_return QStringLiteral("ok");
}

// A request as the server saw it: "<method> <target>", and the body.
using WireRequests = QList<std::pair<QByteArray, QByteArray>>;
// The server's replies, one per request the operation must send.
using Replies = QList<ScriptedReply>;

// The nine fields of a status report without pairing code and date, with exactly one flag set.
QByteArray statusBody(const char* setFlag) {
    const auto flag = [&](const char* name) {
        return QByteArray(name) + (qstrcmp(name, setFlag) == 0 ? "=1" : "=0");
    };
    return flag("active") + "&device_token=mac-1&" + flag("dns_active") + '&' + flag("filter_active") + '&' +
           flag("heartbeat") + '&' + flag("launch_at_login") + "&platform=macos&source=heartbeat&" +
           flag("vpn_active");
}

Call status(QString token, int onlyFlag, double date) {
    return [=](const APIClient& c) {
        const auto on = [&](int flag) { return onlyFlag == flag; };
        return ok(
            c.reportDeviceStatus(token, on(0), on(1), on(2), on(3), on(4), on(5), "heartbeat", "", date));
    };
}

const QByteArray kStatus = "POST /api/mac_device_status.php";

} // namespace

Q_DECLARE_METATYPE(Call)
Q_DECLARE_METATYPE(FormFields)
Q_DECLARE_METATYPE(Replies)

class BackendWireTest : public QObject {
    Q_OBJECT
private slots:
    void formEncoding_data();
    void formEncoding();
    void requestsOnTheWire_data();
    void requestsOnTheWire();
    void repliesAreJudged_data();
    void repliesAreJudged();
    void failuresOfTheServer_data();
    void failuresOfTheServer();
};

void BackendWireTest::formEncoding_data() {
    QTest::addColumn<FormFields>("fields");
    QTest::addColumn<QByteArray>("body");

    QTest::newRow("sorted, blank as %20, + = & escaped")
        << FormFields{{"name", "a+b=c&d"}, {"code", "123 456"}}
        << QByteArray("code=123%20456&name=a%2Bb%3Dc%26d");
    QTest::newRow("UTF-8 bytes, upper-case hex")
        << FormFields{{"v", "Søren 😀"}} << QByteArray("v=S%C3%B8ren%20%F0%9F%98%80");
    // The encoded pairs are sorted, not the raw names: "a=" before "a_", "%C3%B8" before "z".
    QTest::newRow("pairs sorted as encoded, names escaped, empty kept")
        << FormFields{{"a_b", "1"}, {"a", ""}, {"z", "3"}, {"ø", "4"}, {"a b", "c"}}
        << QByteArray("%C3%B8=4&a%20b=c&a=&a_b=1&z=3");
    QTest::newRow("no fields") << FormFields{} << QByteArray();
}

void BackendWireTest::formEncoding() {
    QFETCH(FormFields, fields);
    QTEST(APIClient::encodeForm(fields), "body");
}

void BackendWireTest::requestsOnTheWire_data() {
    QTest::addColumn<Call>("call");
    QTest::addColumn<WireRequests>("expected");

    QTest::newRow("registerMacDevice: account with empty push_token and contacts, then the device")
        << Call([](const APIClient& c) {
               return ok(c.registerMacDevice("Åse B", "aase@x.dk", "1234", "123456", "mac-1"));
           })
        << WireRequests{{"POST /api/pairing.php",
                         "action=register&country=DK&device_token=mac-1&email=aase%40x.dk&master_pin=1234&"
                         "name=%C3%85se%20B&pairing_code=123456&push_token=&support_contacts="},
                        {"POST /api/mac_device_register_new.php",
                         "device_name=Annes%20MacBook&device_token=mac-1&platform=macos"}};
    QTest::newRow("fetchRelativeActivity: a GET, the token escaped as a form value")
        << Call([](const APIClient& c) { return ok(c.fetchRelativeActivity("tok+en/=&% ø")); })
        << WireRequests{{"GET /api/relative_activity.php?token=tok%2Ben/%3D%26%25%20%C3%B8", ""}};

    // One flag set at a time, so any two flags mixed up show.
    const char* flags[] = {"active",     "filter_active", "launch_at_login",
                           "dns_active", "vpn_active",    "heartbeat"};
    for (int index = 0; index < 6; ++index) {
        QTest::addRow("reportDeviceStatus: only %s", flags[index])
            << status("mac-1", index, 0) << WireRequests{{kStatus, statusBody(flags[index])}};
    }
    for (const double date : {-5.0, std::nan(""), std::numeric_limits<double>::infinity()}) {
        QTest::addRow("reportDeviceStatus: date %g not sent", date)
            << status("mac-1", 0, date) << WireRequests{{kStatus, statusBody("active")}};
    }
    QTest::newRow("sendNotification: no domain field when empty")
        << Call([](const APIClient& c) { return ok(c.sendNotification("mac-1", "mac_vpn_detected", "")); })
        << WireRequests{{"POST /api/send_notification.php",
                         "device_token=mac-1&platform=macos&reason=mac_vpn_detected"}};
    QTest::newRow("removeDevice: pin sent even when empty")
        << Call([](const APIClient& c) { return ok(c.removeDevice("mac-1", "")); })
        << WireRequests{{"POST /api/mac_account.php", "action=remove_device&device_token=mac-1&pin="}};
}

void BackendWireTest::requestsOnTheWire() {
    QFETCH(Call, call);
    QFETCH(WireRequests, expected);

    LoopbackBackend backend;
    QVERIFY(runTask(call(backend.client)).finished);

    WireRequests sent;
    QSet<QByteArray> keys;
    for (const RecordedRequest& request : backend.server.requests()) {
        sent.append({request.method + ' ' + request.target, request.body});
        const QByteArray contentType = request.headers.value("content-type");
        QCOMPARE(
            contentType,
            QByteArray(request.method == "POST" ? "application/x-www-form-urlencoded; charset=utf-8" : ""));
        // Every POST is its own action with its own key, so the server never takes one for another.
        const QByteArray key = request.headers.value("idempotency-key");
        QCOMPARE(QUuid::fromString(QString::fromLatin1(key)).isNull(), request.method != "POST");
        QVERIFY(key.isEmpty() || !keys.contains(key));
        keys.insert(key);
    }
    QCOMPARE(sent, expected);
}

void BackendWireTest::repliesAreJudged_data() {
    QTest::addColumn<Call>("call");
    QTest::addColumn<Replies>("replies");
    QTest::addColumn<QString>("outcome"); // the text of outcomeText(), or the body postForm returned

    const Call post([](const APIClient& c) -> QCoro::Task<QString> {
        const FormFields fields{{"action", "profile"}};
        co_return QString::fromUtf8(co_await c.postForm("mac_account.php", fields));
    });
    QTest::newRow("postForm: 2xx returns the body unread")
        << post << Replies{reply(299, "{not json")} << "{not json";
    QTest::newRow("postForm: a redirect is an error, not followed")
        << post << Replies{reply(302, {})}
        << "Molvena 302 Serveren henviste til en anden adresse (HTTP 302), og den følger Molvena ikke. "
           "Prøv igen om et øjeblik.";
    QTest::newRow("postForm: empty is Serverfejl")
        << post << Replies{reply(500, {})} << "Molvena 500 Serverfejl";

    const Call toProxy([](const APIClient& c) {
        return ok(c.postFormToURL(c.blockProxy(), {{"domain", "bet365.dk"}}));
    });
    QTest::newRow("block proxy: 204 is fine") << toProxy << Replies{reply(204, {})} << "ok";
    QTest::newRow("block proxy: a JSON error is no message of its own")
        << toProxy << Replies{reply(404, R"({"error":"Ikke her"})")}
        << "QNetworkReply 499 The operation couldn\u2019t be completed.";

    // Account changes need "success" true or exactly 1.
    const Call pin([](const APIClient& c) { return ok(c.updateMasterPIN("mac-1", "1234", "5678")); });
    const QString refused = QStringLiteral("Molvena 400 Handlingen kunne ikke gennemføres");
    QTest::newRow("change: success 1.0 outweighs an error")
        << pin << Replies{reply(200, R"({"success":1.0,"error":"x"})")} << "ok";
    QTest::newRow("change: the status before the body")
        << pin << Replies{reply(403, R"({"success":true})")} << R"(Molvena 403 {"success":true})";
    QTest::newRow("change: success as text")
        << pin << Replies{reply(200, R"({"success":"true"})")} << refused;
    QTest::newRow("change: not JSON") << pin << Replies{reply(200, "OK")} << "QJsonParseError";

    const Call verify([](const APIClient& c) {
        return ok(c.verifyRecoveryCode("p@x.dk", UserRole::player, "123456", "mac-1"));
    });
    QTest::newRow("recovery: the status first")
        << verify << Replies{reply(429, R"({"error":"For mange forsøg"})")} << "Molvena 429 For mange forsøg";

    // Registration judges only the account's reply, and sends the device request only after one it
    // accepts; every request is sent before the operation ends.
    const Call registration([](const APIClient& c) {
        return ok(c.registerMacDevice("Åse", "aase@x.dk", "1234", "123456", "mac-1"));
    });
    const ScriptedReply fine = reply(200, R"({"success":true})");
    QTest::newRow("registration: success true does not outweigh an error text")
        << registration << Replies{reply(200, R"({"success":true,"error":"Ugyldig kode"})")}
        << "Molvena 1 Ugyldig kode";
    QTest::newRow("registration: success false without a text error counts as accepted")
        << registration << Replies{reply(200, R"({"success":false,"error":42})"), fine} << "ok";
    QTest::newRow("registration: a failing device request is ignored")
        << registration << Replies{fine, reply(500, {})} << "ok";

    // Records decode strictly: a required member missing or null, or any member of the wrong type, fails.
    const Call profile([](const APIClient& c) { return ok(c.fetchAccountProfile("mac-1")); });
    const QByteArray minimal =
        R"({"success":false,"name":"","email":"","master_pin":"","pairing_code":"",
        "support_contacts":"","monthly_spend_dkk":null,"last_gambling_date":null})";
    const auto changed = [&](const char* from, const char* to) {
        return Replies{reply(200, QByteArray(minimal).replace(from, to))};
    };
    QTest::newRow("profile: optional members null") << profile << Replies{reply(200, minimal)} << "ok";
    QTest::newRow("profile: master_pin missing")
        << profile << changed(R"("master_pin":"",)", "") << "Decoding 4865 master_pin";
    QTest::newRow("profile: pairing_code a number")
        << profile << changed(R"("pairing_code":"")", R"("pairing_code":123456)")
        << "Decoding 4864 pairing_code";

    const Call history([](const APIClient& c) { return ok(c.fetchAccountHistory("mac-1")); });
    QTest::newRow("history: an object")
        << history << Replies{reply(200, R"({"success":true,"history":{}})")} << "Decoding 4864 history";

    const Call activity([](const APIClient& c) { return ok(c.fetchRelativeActivity("tok")); });
    const QByteArray summary = R"({"summary":{"days_clean":42,"shield_active":true,"player_name":"Åse"})";
    QTest::newRow("activity: the status plays no part")
        << activity << Replies{reply(404, summary + R"(,"history":[]})")} << "ok";
    QTest::newRow("activity: an entry without title fails the reply")
        << activity
        << Replies{reply(200, summary + R"(,"history":[{"id":1,"type":"t","title":"ok","timestamp":"x"},)"
                                        R"({"id":2,"type":"t","timestamp":"x"}]})")}
        << "Decoding 4865 history[1].title";
}

void BackendWireTest::repliesAreJudged() {
    QFETCH(Call, call);
    QFETCH(Replies, replies);

    LoopbackBackend backend(300ms);
    for (const ScriptedReply& scripted : replies) {
        backend.server.enqueue(scripted);
    }
    const auto outcome = runTask(call(backend.client));
    QTEST(outcome.error || !outcome.finished ? outcomeText(outcome) : *outcome.value, "outcome");
    QCOMPARE(backend.server.requests().size(), replies.size());
}

void BackendWireTest::failuresOfTheServer_data() {
    QTest::addColumn<QString>("server");
    QTest::addColumn<Call>("call");
    QTest::addColumn<QString>("outcome");
    QTest::addColumn<int>("requestCount"); // what reaches a listening server

    const Call post([](const APIClient& c) {
        return ok(c.postForm("mac_device_status.php", {{"device_token", "mac-1"}}));
    });
    QTest::newRow("never answers: the transfer time-out")
        << "never answers" << post << "QNetworkReply 4 Anmodningen fik timeout." << 1;
    QTest::newRow("dropped without a reply")
        << "drops" << post << "QNetworkReply 2 Netværksforbindelsen gik tabt."
        << 2; // Qt resends once when the connection closes unanswered
    // Reports swallow every failure.
    const Call report([](const APIClient& c) {
        return ok(c.reportDeviceStatus("mac-1", false, false, false, false, true, true, "heartbeat", "123456",
                                       1e9));
    });
    const Call alert(
        [](const APIClient& c) { return ok(c.sendNotification("mac-1", "mac_vpn_detected", "")); });
    const Call blocked([](const APIClient& c) { return ok(c.reportBlockedSite("mac-1", "bet365.dk")); });
    for (const char* server : {"unreachable", "500", "never answers"}) {
        QTest::addRow("%s: reportDeviceStatus", server) << server << report << "ok" << 1;
        QTest::addRow("%s: sendNotification", server) << server << alert << "ok" << 1;
        // A failing block proxy does not stop the notification.
        QTest::addRow("%s: reportBlockedSite", server) << server << blocked << "ok" << 2;
    }
}

void BackendWireTest::failuresOfTheServer() {
    QFETCH(QString, server);
    QFETCH(Call, call);
    QFETCH(int, requestCount);

    LoopbackBackend backend(300ms);
    if (server == QLatin1String("unreachable")) {
        backend.server.close();
        requestCount = 0;
    } else if (server == QLatin1String("500")) {
        backend.server.setDefaultReply(reply(500, R"({"error":"Serverfejl"})"));
    } else {
        backend.server.setDefaultReply(ScriptedReply{
            .body = {}, .dropConnection = server == "drops", .neverAnswer = server == "never answers"});
    }
    QElapsedTimer clock;
    clock.start();
    QTEST(outcomeText(runTask(call(backend.client))), "outcome");
    QCOMPARE(backend.server.requests().size(), requestCount);
    QVERIFY2(clock.elapsed() < 5000, "bounded by the 300 ms time-out per request");
}

QTEST_GUILESS_MAIN(BackendWireTest)
#include "BackendWireTest.moc"
