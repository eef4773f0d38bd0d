// Requests a careless or hostile client sends: unknown paths, wrong methods, missing, oversized and
// malformed fields, invalid UTF-8, SQL in every kind of field. Each gets a clear 4xx with a Danish
// message and no internal detail, and leaves the database exactly as it was.
#include "ServerHarness.h"

#include <QtTest/QtTest>

using namespace molvena::test;

namespace {

// Placeholders in the cases, replaced by the registered player's values.
QByteArray withPlayer(QByteArray text, const ServerHarness::Player& player) {
    return text.replace("DEVICE", player.deviceToken.toUtf8());
}

} // namespace

class HostileInputTest : public QObject {
    Q_OBJECT
private slots:
    void refusedClearlyAndNothingChanges_data();
    void refusedClearlyAndNothingChanges();
    void sqlInTextFieldsIsStoredAsText();
    void brokenRequestsDoNotStopTheServer();
};

void HostileInputTest::refusedClearlyAndNothingChanges_data() {
    QTest::addColumn<QByteArray>("method");
    QTest::addColumn<QString>("target");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QByteArray>("contentType");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("error"); // empty: any Danish text

    const QByteArray form = "application/x-www-form-urlencoded";
    const QByteArray account = "action=profile&device_token=DEVICE";

    // Paths: only the exact names exist; "." is not a wildcard.
    QTest::newRow("dot as wildcard") << QByteArray("GET") << "/api/countXphp" << QByteArray() << form << 404
                                     << "Siden findes ikke.";
    QTest::newRow("suffix") << QByteArray("GET") << "/api/count.phpx" << QByteArray() << form << 404 << "";
    QTest::newRow("upper case") << QByteArray("GET") << "/api/COUNT.PHP" << QByteArray() << form << 404 << "";
    QTest::newRow("trailing slash") << QByteArray("GET") << "/api/count.php/" << QByteArray() << form << 404
                                    << "";
    QTest::newRow("api root") << QByteArray("GET") << "/api/" << QByteArray() << form << 404 << "";
    QTest::newRow("proxy under api") << QByteArray("POST") << "/api/shield_blocked"
                                     << QByteArray("domain=x.dk") << form << 404 << "";
    QTest::newRow("other php") << QByteArray("POST") << "/api/admin.php" << QByteArray(account) << form << 404
                               << "";

    // Methods.
    QTest::newRow("GET on a form endpoint") << QByteArray("GET") << "pairing.php?action=link&code=123456"
                                            << QByteArray() << form << 405 << "Metoden er ikke tilladt her.";
    QTest::newRow("POST on count") << QByteArray("POST") << "count.php" << QByteArray("x=1") << form << 405
                                   << "";
    QTest::newRow("PUT") << QByteArray("PUT") << "mac_account.php" << QByteArray(account) << form << 405
                         << "";
    QTest::newRow("DELETE") << QByteArray("DELETE") << "mac_account.php" << QByteArray() << form << 405 << "";

    // Body and encoding.
    QTest::newRow("JSON body") << QByteArray("POST") << "mac_account.php"
                               << QByteArray("{\"action\":\"profile\"}") << QByteArray("application/json")
                               << 415 << "Forespørgslen skal være formularkodet.";
    QTest::newRow("broken escape") << QByteArray("POST") << "mac_account.php" << QByteArray(account + "&x=%4")
                                   << form << 400 << "Forespørgslen kunne ikke læses.";
    QTest::newRow("field given twice")
        << QByteArray("POST") << "mac_account.php" << QByteArray(account + "&action=remove_device") << form
        << 400 << "Forespørgslen indeholder det samme felt flere gange.";
    QByteArray manyFields = account;
    for (int i = 0; i < 70; ++i) {
        manyFields += "&f" + QByteArray::number(i) + "=1";
    }
    QTest::newRow("too many fields") << QByteArray("POST") << "mac_account.php" << manyFields << form << 400
                                     << "";

    // Missing and malformed fields.
    QTest::newRow("no fields") << QByteArray("POST") << "pairing.php" << QByteArray() << form << 400
                               << "Handlingen mangler.";
    QTest::newRow("unknown action") << QByteArray("POST") << "mac_account.php"
                                    << QByteArray("action=drop&device_token=DEVICE") << form << 400
                                    << "Handlingen er ukendt.";
    QTest::newRow("no device token") << QByteArray("POST") << "mac_account.php"
                                     << QByteArray("action=profile") << form << 400 << "Mac'ens id mangler.";
    QTest::newRow("unknown device")
        << QByteArray("POST") << "mac_account.php"
        << QByteArray("action=profile&device_token=mac-00000000-0000-0000-0000-000000000000") << form << 404
        << "Denne Mac er ikke tilknyttet en Molvena-konto.";
    QTest::newRow("SQL in a device token")
        << QByteArray("POST") << "mac_account.php"
        << QByteArray("action=profile&device_token=x%27%20OR%20%271%27%3D%271") << form << 400
        << "Mac'ens id er ugyldigt.";
    QTest::newRow("SQL in a code") << QByteArray("POST") << "pairing.php"
                                   << QByteArray("action=link&email=a%40b.dk&code=1%27%3B--") << form << 400
                                   << "Koden skal bestå af 6 cifre.";
    QTest::newRow("seven digits") << QByteArray("POST") << "pairing.php"
                                  << QByteArray("action=link&email=a%40b.dk&code=1234567") << form << 400
                                  << "";
    QTest::newRow("e-mail without @")
        << QByteArray("POST") << "pairing.php" << QByteArray("action=link&email=ab.dk&code=123456") << form
        << 400 << "E-mailadressen er ikke gyldig.";
    QTest::newRow("name too long")
        << QByteArray("POST") << "pairing.php"
        << QByteArray(
               "action=register&device_token=mac-00000000-0000-0000-0000-00000000000a&pairing_code=222222&"
               "master_pin=1234&email=a%40b.dk&name=" +
               QByteArray(101, 'x'))
        << form << 400 << "Navnet er for langt.";
    QTest::newRow("invalid UTF-8")
        << QByteArray("POST") << "pairing.php"
        << QByteArray(
               "action=register&device_token=mac-00000000-0000-0000-0000-00000000000a&pairing_code=222222&"
               "master_pin=1234&email=a%40b.dk&name=Ann%FF")
        << form << 400 << "Navnet indeholder ugyldige tegn.";
    QTest::newRow("overlong UTF-8 slash")
        << QByteArray("POST") << "pairing.php"
        << QByteArray(
               "action=register&device_token=mac-00000000-0000-0000-0000-00000000000a&pairing_code=222222&"
               "master_pin=1234&email=a%40b.dk&name=%C0%AF")
        << form << 400 << "Navnet indeholder ugyldige tegn.";
    QTest::newRow("UTF-8 surrogate")
        << QByteArray("POST") << "pairing.php"
        << QByteArray(
               "action=register&device_token=mac-00000000-0000-0000-0000-00000000000a&pairing_code=222222&"
               "master_pin=1234&email=a%40b.dk&name=%ED%A0%80")
        << form << 400 << "Navnet indeholder ugyldige tegn.";
    QTest::newRow("line break in a name")
        << QByteArray("POST") << "pairing.php"
        << QByteArray(
               "action=register&device_token=mac-00000000-0000-0000-0000-00000000000a&pairing_code=222222&"
               "master_pin=1234&email=a%40b.dk&name=A%0D%0ABcc%3A%20x")
        << form << 400 << "Navnet indeholder ugyldige tegn.";
    QTest::newRow("PIN of letters")
        << QByteArray("POST") << "pairing.php"
        << QByteArray(
               "action=register&device_token=mac-00000000-0000-0000-0000-00000000000a&pairing_code=222222&"
               "master_pin=12a4&email=a%40b.dk&name=Anna")
        << form << 400 << "Master PIN-koden skal bestå af 4 cifre.";
    QTest::newRow("spend in exponent form") << QByteArray("POST") << "mac_account.php"
                                            << QByteArray("action=update_monthly_spend&device_token=DEVICE&"
                                                          "monthly_spend_dkk=1e5")
                                            << form << 400 << "Beløbet skal være et helt tal.";
    QTest::newRow("spend beyond 64 bits") << QByteArray("POST") << "mac_account.php"
                                          << QByteArray("action=update_monthly_spend&device_token=DEVICE&"
                                                        "monthly_spend_dkk=99999999999999999999999")
                                          << form << 400 << "";
    QTest::newRow("flag as word") << QByteArray("POST") << "mac_device_status.php"
                                  << QByteArray(
                                         "device_token=DEVICE&active=true&filter_active=0&launch_at_login=1&"
                                         "dns_active=1&vpn_active=0&heartbeat=1&source=heartbeat")
                                  << form << 400 << "Beskyttelsesstatussen er ugyldig.";
    QTest::newRow("unknown alert") << QByteArray("POST") << "send_notification.php"
                                   << QByteArray("device_token=DEVICE&reason=mac_everything_fine") << form
                                   << 400 << "Ukendt hændelse.";
    QTest::newRow("domain with a blank")
        << QByteArray("POST") << "send_notification.php"
        << QByteArray("device_token=DEVICE&reason=blocked_site&domain=a%20b.dk") << form << 400
        << "Domænet er ikke gyldigt.";
    QTest::newRow("proxy without domain")
        << QByteArray("POST") << "/shield_blocked" << QByteArray("device_token=DEVICE") << form << 400
        << "Domænet mangler.";
    QTest::newRow("unknown location type")
        << QByteArray("POST") << "save_player_profile.php"
        << QByteArray("device_token=DEVICE&last_gambling_date=0&location_type=moon&"
                      "game_types=Poker&monthly_spend_dkk=0")
        << form << 400 << "";
    QTest::newRow("gambling date in the future")
        << QByteArray("POST") << "save_player_profile.php"
        << QByteArray("device_token=DEVICE&last_gambling_date=99999999999&"
                      "location_type=online&game_types=Poker&"
                      "monthly_spend_dkk=0")
        << form << 400 << "Datoen for sidste spil er ikke gyldig.";
    QTest::newRow("profile without token")
        << QByteArray("GET") << "get_profile_mac.php" << QByteArray() << form << 400 << "Mac'ens id mangler.";
    QTest::newRow("recovery for an unknown role")
        << QByteArray("POST") << "recovery_request.php" << QByteArray("email=a%40b.dk&role=admin") << form
        << 400 << "";
    QTest::newRow("player code through the relative endpoint")
        << QByteArray("POST") << "recovery_verify.php" << QByteArray("email=a%40b.dk&role=player&code=123456")
        << form << 400 << "";
}

void HostileInputTest::refusedClearlyAndNothingChanges() {
    QFETCH(QByteArray, method);
    QFETCH(QString, target);
    QFETCH(QByteArray, body);
    QFETCH(QByteArray, contentType);
    QFETCH(int, status);
    QFETCH(QString, error);

    ServerHarness harness;
    const auto player = harness.registerPlayer(QStringLiteral("Anna"), QStringLiteral("anna@example.dk"),
                                               QStringLiteral("123456"));
    const QString before = harness.snapshot();
    QVERIFY(before.contains(QStringLiteral("Anna")));

    const auto reply = harness.send(method, QString::fromUtf8(withPlayer(target.toUtf8(), player)),
                                    withPlayer(body, player), contentType);
    QCOMPARE(reply.status, status);
    QCOMPARE(reply.json.value(QStringLiteral("success")), false);
    const QString message = reply.error();
    if (!error.isEmpty()) {
        QCOMPARE(message, error);
    }
    QVERIFY(message.endsWith(QLatin1Char('.')));
    for (const char* detail : {"SQL", "sql", "QSQLITE", "statement", "Exception", "exception", "null"}) {
        QVERIFY2(!message.contains(QLatin1String(detail)), qPrintable(message));
    }
    QCOMPARE(harness.snapshot(), before);
}

void HostileInputTest::sqlInTextFieldsIsStoredAsText() {
    ServerHarness harness;
    const QString name = QStringLiteral("Robert'); DROP TABLE players;--");
    const QString contacts = QStringLiteral("O'Brien::1\" OR \"1\"=\"1|Ærø::%_\\");
    const auto player =
        harness.registerPlayer(name, QStringLiteral("bobby@example.dk"), QStringLiteral("654321"));
    QCOMPARE(harness
                 .post(QStringLiteral("mac_account.php"), {{"action", "update_contacts"},
                                                           {"device_token", player.deviceToken},
                                                           {"support_contacts", contacts}})
                 .status,
             200);
    const auto profile = harness.post(QStringLiteral("mac_account.php"),
                                      {{"action", "profile"}, {"device_token", player.deviceToken}});
    QCOMPARE(profile.json.value(QStringLiteral("name")).toString(), name);
    QCOMPARE(profile.json.value(QStringLiteral("support_contacts")).toString(), contacts);
    QCOMPARE(harness.rows(QStringLiteral("SELECT COUNT(*) FROM players")).first().first().toInt(), 1);
}

void HostileInputTest::brokenRequestsDoNotStopTheServer() {
    ServerHarness harness;
    // What comes back, if anything: never a server error, and a 404 where the path is not exact.
    const QList<QPair<QByteArray, QByteArray>> broken{
        {"NONSENSE\r\n\r\n", {}},
        {"GET /api/count.php HTTP/9.9\r\n\r\n", {}},
        {"GET /api/count.php%00.php HTTP/1.1\r\nHost: x\r\n\r\n", "HTTP/1.1 404"},
        {"GET /api/count%2Ephp%2F HTTP/1.1\r\nHost: x\r\n\r\n", "HTTP/1.1 404"},
        {"POST /api/mac_account.php HTTP/1.1\r\nHost: x\r\nContent-Length: 5\r\n\r\nab", {}},
    };
    for (const auto& [request, expected] : broken) {
        const QByteArray answer = harness.raw(request);
        QVERIFY2(!answer.startsWith("HTTP/1.1 5") && answer.startsWith(expected),
                 answer.left(200).constData());
    }
    QCOMPARE(harness.get(QStringLiteral("count.php")).status, 200);
}

QTEST_GUILESS_MAIN(HostileInputTest)
#include "HostileInputTest.moc"
