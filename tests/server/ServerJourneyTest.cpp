// The reference backend over real HTTP on loopback, one fresh SQLite file per test, walked through
// the journeys the app takes: a player signs up and is followed by relatives, alerts reach them,
// the account is managed with the Master PIN, an account is recovered with an e-mailed code, and a
// Mac downloads its DNS profile.
#include "AbuseLimits.h"
#include "ServerHarness.h"
#include "app/Deployment.h"

#include <QJsonArray>
#include <QRegularExpression>
#include <QXmlStreamReader>
#include <QtTest/QtTest>

using namespace molvena;
using namespace molvena::test;

namespace {

ServerHarness::Reply statusReport(ServerHarness& harness, const QString& deviceToken, bool active) {
    ServerHarness::Fields fields = ServerHarness::healthyHeartbeat(deviceToken);
    fields[1].second = fields[4].second =
        active ? QStringLiteral("1") : QStringLiteral("0"); // active, dns_active
    return harness.post(QStringLiteral("mac_device_status.php"), fields);
}

// The newest entry of a reply's history.
QJsonObject newest(const ServerHarness::Reply& reply) {
    return reply.json.value(QStringLiteral("history")).toArray().first().toObject();
}

} // namespace

class ServerJourneyTest : public QObject {
    Q_OBJECT
private slots:
    void playerSignsUpAndRelativesFollow();
    void alertsReachEveryRelative();
    void accountActionsGuardedByTheMasterPIN();
    void profileAndBlocklistServeTheApp();
};

void ServerJourneyTest::playerSignsUpAndRelativesFollow() {
    ServerHarness harness;
    const auto anna = harness.registerPlayer(QStringLiteral("Anna Ø"), QStringLiteral("anna@example.dk"),
                                             QStringLiteral("482917"));
    // A second press of the same Mac with its code and PIN is the same account.
    QVERIFY(harness
                .post(QStringLiteral("pairing.php"),
                      ServerHarness::registration(anna.deviceToken, anna.pairingCode, anna.email, anna.pin))
                .succeeded());
    const QString token = harness.linkRelative(anna.pairingCode, QStringLiteral("bo@example.dk"));
    QCOMPARE(harness.confirmRelatives(), 1);

    const auto relatives =
        harness.get(QStringLiteral("mac_player_status.php?device_token=") + anna.deviceToken);
    QVERIFY(relatives.succeeded());
    const QJsonArray list = relatives.json.value(QStringLiteral("relatives")).toArray();
    QCOMPARE(list.size(), 1);
    QCOMPARE(list.first()[QStringLiteral("created_at")], QStringLiteral("2026-03-10 13:00:00"));

    const auto activity = [&] { return harness.activity(token).json; };
    const auto shieldActive = [&] { return activity()[u"summary"][u"shield_active"].toBool(); };
    const auto newestTitle = [&] { return activity()[u"history"][0][u"title"].toString(); };

    // Before any report the shield is off; an active report turns it on and dates its start.
    QVERIFY(!shieldActive() && !activity()[u"summary"].toObject().contains(u"shield_start"));
    QVERIFY(statusReport(harness, anna.deviceToken, true).succeeded());
    harness.advance(300);
    QVERIFY(statusReport(harness, anna.deviceToken, true).succeeded());
    QVERIFY(shieldActive());
    QCOMPARE(activity()[u"summary"][u"shield_start"].toString(), QStringLiteral("10. marts 2026 kl. 13:00"));
    QVERIFY(statusReport(harness, anna.deviceToken, false).succeeded());
    QVERIFY(!shieldActive());

    // The history is the player's events, newest first.
    QStringList titles;
    for (const QJsonValue& entry : activity()[u"history"].toArray()) {
        titles.append(entry[u"title"].toString());
    }
    QCOMPARE(titles,
             QStringList({QStringLiteral("Beskyttelsen er aktiv på Mac"),
                          QStringLiteral("Ny støtteperson tilknyttet"), QStringLiteral("Konto oprettet")}));

    // Three heartbeats missed: the relatives see a silent Mac until it reports again.
    QVERIFY(statusReport(harness, anna.deviceToken, true).succeeded());
    harness.advance(server::limits::silentAfterSeconds - 1);
    QVERIFY(shieldActive());
    harness.advance(2);
    QVERIFY(!shieldActive());
    QCOMPARE(newestTitle(), QStringLiteral("Mac'en har ikke meldt sig"));
    QVERIFY(statusReport(harness, anna.deviceToken, true).succeeded());
    QVERIFY(shieldActive());
    // Recovery onto this Mac for another account: it leaves Anna's account, which her relatives see.
    harness.registerPlayer(QStringLiteral("Eva"), QStringLiteral("eva@example.dk"), QStringLiteral("135246"));
    QVERIFY(harness.recoverPlayer(QStringLiteral("eva@example.dk"), anna.deviceToken).succeeded());
    QVERIFY(!shieldActive());
    QCOMPARE(newestTitle(), QStringLiteral("En Mac har forladt kontoen"));
}

void ServerJourneyTest::alertsReachEveryRelative() {
    ServerHarness harness;
    const auto anna = harness.registerPlayer();
    const QStringList relatives{QStringLiteral("bo@example.dk"), QStringLiteral("carl@example.dk")};
    const QStringList tokens{harness.linkRelative(anna.pairingCode, relatives[0]),
                             harness.linkRelative(anna.pairingCode, relatives[1])};
    QCOMPARE(harness.confirmRelatives(), 2);
    const struct {
        QString reason, domain, type, title;
    } alerts[] = {
        {"mac_vpn_detected", "", "vpn", "VPN slået til på Mac"},
        {"mac_launch_at_login_removed", "", "protection", "Automatisk start slået fra på Mac"},
        // The DNS profile's alert is the contract test's.
        {"mac_protection_removed_externally", "", "protection", "Beskyttelsen på Mac er slået fra"},
        {"blocked_site", "www.bet365.dk", "blocked", "Gambling-side blokeret"},
    };
    for (const auto& alert : alerts) {
        ServerHarness::Fields fields{
            {"device_token", anna.deviceToken}, {"reason", alert.reason}, {"platform", "macos"}};
        if (!alert.domain.isEmpty()) {
            fields.append({QStringLiteral("domain"), alert.domain});
        }
        QVERIFY(harness.post(QStringLiteral("send_notification.php"), fields).succeeded());
        // Each relative: an e-mail naming the player and the event, but never the site, and the
        // event at the top of the overview.
        for (int i = 0; i < 2; ++i) {
            const QString mail = harness.newestMail(QStringLiteral("alert"), relatives[i]);
            QVERIFY2(mail.contains(alert.title) && mail.contains(QStringLiteral("Anna")) &&
                         (alert.domain.isEmpty() || !mail.contains(alert.domain)),
                     qPrintable(mail));
            const QJsonObject event = newest(harness.activity(tokens[i]));
            QCOMPARE(event[u"type"].toString() + event[u"title"].toString(), alert.type + alert.title);
        }
        // The player's own history names the blocked site.
        const QJsonObject own = newest(harness.account(anna.deviceToken, QStringLiteral("history")));
        QCOMPARE(own[u"title"].toString() + own[u"domain"].toString(), alert.title + alert.domain);
    }
    QCOMPARE(harness.count(QStringLiteral("SELECT COUNT(*) FROM outbox WHERE kind = 'alert'")),
             2 * qint64(std::size(alerts)));
}

// What the app's own checks never let through (tests/core/account drives the rest through the app);
// SQL in a name or a contact is stored as the text it is.
void ServerJourneyTest::accountActionsGuardedByTheMasterPIN() {
    ServerHarness harness;
    const QString name = QStringLiteral("Robert'); DROP TABLE players;--");
    const QString device = harness
                               .registerPlayer(name, QStringLiteral("anna@example.dk"),
                                               QStringLiteral("123456"), QStringLiteral("4321"))
                               .deviceToken;
    QCOMPARE(harness.account(device, QStringLiteral("profile")).json.value(QStringLiteral("name")), name);
    const QString outOfRange = QStringLiteral("Beløbet er uden for det tilladte interval.");
    const QString both = QStringLiteral("O'Brien::1\" OR \"1\"=\"1|Ærø::%_\\");
    const struct Step {
        const char* what;
        QString action;
        ServerHarness::Fields fields;
        int status;
        QString error, contactsAfter;
    } steps[]{
        {"adding needs no PIN", "update_contacts", {{"support_contacts", both}}, 200, {}, both},
        // clang-format off
        {"removing without PIN", "update_contacts", {{"support_contacts", "Ærø::%_\\"}}, 403,
         "Indtast din Master PIN for at fjerne en kontaktperson.", both},
        {"PIN change to letters", "update_pin", {{"old_pin", "4321"}, {"new_pin", "12a4"}}, 400,
         "Den nye Master PIN-kode skal bestå af 4 cifre.", both},
        {"the PIN removes everyone", "update_contacts", {{"support_contacts", ""}, {"pin", "4321"}}, 200, {}, ""},
        {"spend -1", "update_monthly_spend", {{"monthly_spend_dkk", "-1"}}, 400, outOfRange, ""},
        {"removal with an empty PIN", "remove_device", {{"pin", ""}}, 400, "Master PIN-koden mangler.", ""},
        // clang-format on
    };
    for (const Step& step : steps) {
        const auto reply = harness.account(device, step.action, step.fields);
        QVERIFY2(reply.status == step.status && reply.error() == step.error &&
                     reply.json.value(QStringLiteral("success")).toBool() == (step.status == 200),
                 qPrintable(QStringLiteral("%1: %2 %3").arg(step.what).arg(reply.status).arg(reply.error())));
        QVERIFY2(harness.account(device, QStringLiteral("profile"))
                         .json.value(QStringLiteral("support_contacts")) == step.contactsAfter,
                 step.what);
    }

    // Five wrong PINs in a row lock the PIN for a quarter of an hour, even for the right one.
    for (int attempt = 0; attempt < 5; ++attempt) {
        QCOMPARE(harness.account(device, QStringLiteral("remove_device"), {{"pin", "0000"}}).status, 403);
    }
    const auto locked = harness.account(device, QStringLiteral("remove_device"), {{"pin", "4321"}});
    QCOMPARE(locked.status, 429);
    QVERIFY(locked.error().startsWith(QStringLiteral("For mange forkerte forsøg")));
    harness.advance(15 * 60);
    QVERIFY(harness.account(device, QStringLiteral("remove_device"), {{"pin", "4321"}}).succeeded());
    // The Mac is gone from the account; the account itself stays.
    QCOMPARE(harness.account(device, QStringLiteral("profile")).status, 404);
    QCOMPARE(harness.count(QStringLiteral("SELECT COUNT(*) FROM players")), 1);
}

void ServerJourneyTest::profileAndBlocklistServeTheApp() {
    ServerHarness harness;
    const auto anna = harness.registerPlayer();
    const QString resolver = harness.server().options().resolverHost;

    const QString path = QStringLiteral("get_profile_mac.php?device_token=") + anna.deviceToken;
    const auto profile = harness.get(path);
    QCOMPARE(profile.headers.value("content-type"), QByteArray("application/x-apple-aspen-config"));
    QCOMPARE(profile.headers.value("content-disposition"),
             QByteArray("attachment; filename=\"Molvena.mobileconfig\""));
    // A well-formed property list with a DNS-over-HTTPS payload pointing at the resolver.
    QXmlStreamReader xml(profile.body);
    QStringList strings;
    while (!xml.atEnd()) {
        if (xml.readNext() == QXmlStreamReader::StartElement && xml.name() == QLatin1String("string")) {
            strings.append(xml.readElementText());
        }
    }
    QVERIFY2(!xml.hasError(), qPrintable(xml.errorString()));
    for (const QString& string : {QStringLiteral("com.apple.dnsSettings.managed"), QStringLiteral("HTTPS"),
                                  QStringLiteral("https://%1/dns-query").arg(resolver)}) {
        QVERIFY2(strings.contains(string), qPrintable(string));
    }
    // The same Mac gets the same identifiers, so reinstalling replaces the profile.
    QCOMPARE(harness.get(path).body, profile.body);

    QVERIFY(harness.get(QStringLiteral("count.php")).json.value(QStringLiteral("count")).toInt() >= 250);
    // The app's canary and probe sites must be blocked, or its verification could never pass.
    const Deployment deployment = Deployment::production();
    for (const QUrl& site : deployment.probeURLs + QList{deployment.canaryURL}) {
        QVERIFY2(harness.count(
                     QStringLiteral("SELECT COUNT(*) FROM blocklist WHERE domain = '%1'").arg(site.host())),
                 qPrintable(site.host()));
    }
    QCOMPARE(deployment.resolverHostName, resolver);
}

QTEST_GUILESS_MAIN(ServerJourneyTest)
#include "ServerJourneyTest.moc"
