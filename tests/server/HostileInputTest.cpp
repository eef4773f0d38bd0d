// Requests a careless or hostile client sends: unknown paths, wrong methods, missing, oversized and
// malformed fields, invalid UTF-8, SQL in every kind of field. Each gets a clear 4xx with a Danish
// message and no internal detail, and leaves the database exactly as it was.
#include "ServerHarness.h"

#include <QRegularExpression>
#include <QtTest/QtTest>

using namespace molvena::test;

class HostileInputTest : public QObject {
    Q_OBJECT
private slots:
    void refusedClearlyAndNothingChanges_data();
    void refusedClearlyAndNothingChanges();
};

void HostileInputTest::refusedClearlyAndNothingChanges_data() {
    QTest::addColumn<QByteArray>("method");
    QTest::addColumn<QString>("target");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QByteArray>("contentType");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("error"); // empty: any Danish text

    const auto row = [&](const char* name, const QByteArray& method, const QString& target,
                         const QByteArray& body, int status, const QString& error = {},
                         const QByteArray& contentType = "application/x-www-form-urlencoded") {
        QTest::newRow(name) << method << target << body << contentType << status << error;
    };
    const QByteArray account = "action=profile&device_token=DEVICE";
    // A registration that is valid but for the name or the PIN given.
    const auto registration = [](const QByteArray& name, const QByteArray& pin = "1234") {
        return "action=register&device_token=mac-00000000-0000-0000-0000-00000000000a&pairing_code=222222&"
               "email=a%40b.dk&master_pin=" +
               pin + "&name=" + name;
    };
    const QString invalidName = QStringLiteral("Navnet indeholder ugyldige tegn.");

    // Paths: only the exact names exist; "." is not a wildcard.
    row("dot as wildcard", "GET", "/api/countXphp", {}, 404, QStringLiteral("Siden findes ikke."));
    row("proxy under api", "POST", "/api/shield_blocked", "domain=x.dk", 404);

    // Methods.
    row("GET on a form endpoint", "GET", "pairing.php?action=link&code=123456", {}, 405,
        QStringLiteral("Metoden er ikke tilladt her."));

    // Body and encoding.
    row("JSON body", "POST", "mac_account.php", "{\"action\":\"profile\"}", 415,
        QStringLiteral("Forespørgslen skal være formularkodet."), "application/json");
    row("broken escape", "POST", "mac_account.php", account + "&x=%4", 400,
        QStringLiteral("Forespørgslen kunne ikke læses."));
    row("field given twice", "POST", "mac_account.php", account + "&action=remove_device", 400,
        QStringLiteral("Forespørgslen indeholder det samme felt flere gange."));
    QByteArray manyFields = account;
    for (int i = 0; i < 70; ++i) {
        manyFields += "&f" + QByteArray::number(i) + "=1";
    }
    row("too many fields", "POST", "mac_account.php", manyFields, 400);

    // Missing and malformed fields.
    row("no fields", "POST", "pairing.php", {}, 400, QStringLiteral("Handlingen mangler."));
    row("unknown action", "POST", "mac_account.php", "action=drop&device_token=DEVICE", 400,
        QStringLiteral("Handlingen er ukendt."));
    row("no device token", "POST", "mac_account.php", "action=profile", 400);
    row("unknown device", "POST", "mac_account.php",
        "action=profile&device_token=mac-00000000-0000-0000-0000-000000000000", 404,
        QStringLiteral("Denne Mac er ikke tilknyttet en Molvena-konto."));
    row("SQL in a device token", "POST", "mac_account.php",
        "action=profile&device_token=x%27%20OR%20%271%27%3D%271", 400,
        QStringLiteral("Mac'ens id er ugyldigt."));
    row("SQL in a code", "POST", "pairing.php", "action=link&email=a%40b.dk&code=1%27%3B--", 400,
        QStringLiteral("Koden skal bestå af 6 cifre."));
    row("e-mail without @", "POST", "pairing.php", "action=link&email=ab.dk&code=123456", 400,
        QStringLiteral("E-mailadressen er ikke gyldig."));
    row("name too long", "POST", "pairing.php", registration(QByteArray(101, 'x')), 400,
        QStringLiteral("Navnet er for langt."));
    row("invalid UTF-8", "POST", "pairing.php", registration("Ann%FF"), 400, invalidName);
    row("line break in a name", "POST", "pairing.php", registration("A%0D%0ABcc%3A%20x"), 400, invalidName);
    row("PIN of letters", "POST", "pairing.php", registration("Anna", "12a4"), 400);
    row("spend in exponent form", "POST", "mac_account.php",
        "action=update_monthly_spend&device_token=DEVICE&monthly_spend_dkk=1e5", 400,
        QStringLiteral("Beløbet skal være et helt tal."));
    row("flag as word", "POST", "mac_device_status.php",
        "device_token=DEVICE&active=true&filter_active=0&launch_at_login=1&dns_active=1&vpn_active=0&"
        "heartbeat=1&source=heartbeat",
        400, QStringLiteral("Beskyttelsesstatussen er ugyldig."));
    row("unknown alert", "POST", "send_notification.php", "device_token=DEVICE&reason=mac_everything_fine",
        400, QStringLiteral("Ukendt hændelse."));
    row("domain with a blank", "POST", "send_notification.php",
        "device_token=DEVICE&reason=blocked_site&domain=a%20b.dk", 400);
    row("proxy without domain", "POST", "/shield_blocked", "device_token=DEVICE", 400);
    const QByteArray profile =
        "device_token=DEVICE&location_type=online&game_types=Poker&monthly_spend_dkk=0";
    row("unknown location type", "POST", "save_player_profile.php",
        QByteArray(profile).replace("online", "moon") + "&last_gambling_date=0", 400);
    row("gambling date in the future", "POST", "save_player_profile.php",
        profile + "&last_gambling_date=99999999999", 400);
    row("recovery for an unknown role", "POST", "recovery_request.php", "email=a%40b.dk&role=admin", 400);
    row("player code through the relative endpoint", "POST", "recovery_verify.php",
        "email=a%40b.dk&role=player&code=123456", 400);

    // Registrations that would take over the player's Mac, code or address.
    const auto takeover = [](const QByteArray& device, const QByteArray& code, const QByteArray& pin,
                             const QByteArray& email) {
        return "action=register&name=Mallory&support_contacts=Mallory%3A%3A1&device_token=" + device +
               "&pairing_code=" + code + "&master_pin=" + pin + "&email=" + email;
    };
    const QByteArray otherMac = "mac-00000000-0000-0000-0000-00000000000b";
    row("same Mac and code, wrong PIN", "POST", "pairing.php",
        takeover("DEVICE", "482917", "1111", "m%40x.dk"), 403, QStringLiteral("Forkert Master PIN."));
    row("same Mac, new code", "POST", "pairing.php", takeover("DEVICE", "111222", "1234", "m%40x.dk"), 200,
        QStringLiteral("Denne Mac hører allerede"));
    row("address taken, other case", "POST", "pairing.php",
        takeover(otherMac, "333444", "1111", "anna%40EXAMPLE.dk"), 200,
        QStringLiteral("Der findes allerede en konto med denne e-mail."));
    row("code taken", "POST", "pairing.php", takeover(otherMac, "482917", "1111", "m%40x.dk"), 200,
        QStringLiteral("Parringskoden er allerede i brug"));
}

void HostileInputTest::refusedClearlyAndNothingChanges() {
    QFETCH(QByteArray, method);
    QFETCH(QString, target);
    QFETCH(QByteArray, body);
    QFETCH(QByteArray, contentType);
    QFETCH(int, status);
    QFETCH(QString, error);

    ServerHarness harness;
    const QByteArray device = harness.registerPlayer().deviceToken.toUtf8(); // stands for DEVICE in a body
    const QString before = harness.snapshot();
    const auto reply = harness.send(method, target, QByteArray(body).replace("DEVICE", device), contentType);
    QCOMPARE(reply.status, status);
    QCOMPARE(reply.json.value(QStringLiteral("success")), false);
    // An empty `error` stands for any text, but never an internal detail.
    static const QRegularExpression detail(QStringLiteral("(?i)sql|statement|exception|null"));
    QVERIFY2(reply.error().startsWith(error) && reply.error().endsWith(QLatin1Char('.')) &&
                 !reply.error().contains(detail),
             qPrintable(reply.error()));
    // Nothing changed but the counters of refusals and failed PINs.
    const QRegularExpression counters(QStringLiteral("== rate_buckets\n[^=]*"));
    QCOMPARE(harness.snapshot().remove(counters), QString(before).remove(counters));
}

QTEST_GUILESS_MAIN(HostileInputTest)
#include "HostileInputTest.moc"
