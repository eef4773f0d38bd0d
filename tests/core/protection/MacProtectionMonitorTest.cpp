#include "protection/MacProtectionMonitor.h"
#include "BrowsersInHome.h"
#include "ProtectionTestSupport.h"
#include "ScriptedHttpServer.h"
#include "TestSupport.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest/QtTest>

#include <qcoro/qcorotask.h>

#include <array>

using namespace molvena;
using namespace molvena::test;
using namespace std::chrono_literals;

namespace {

const QString kToken = QStringLiteral("mac-0b6f3c1e-2a4d-4e5f-8a9b-0c1d2e3f4a5b");
const QString kStatusPath = QStringLiteral("/api/mac_device_status.php");
const QString kAlertPath = QStringLiteral("/api/send_notification.php");

// Every layer real except the Mac's own services: the login item is scripted and the network path
// driven by the test. Web protection is "installed" while the lookups of the canary and the probe
// sites say their names do not exist (a stand-in for the protective resolver), and "removed" while
// they lead to the sites, which answer; the backend is a recording loopback server behind the real
// APIClient. Real DNS, and a machine that is offline, are WebProtectionEndToEndTest's.
struct Sites {
    TemporaryPreferences preferences;
    StandInResolver resolver;
    ScriptedHttpServer backend;
    SwitchableSite canary;
    std::array<SwitchableSite, 3> sites;
    QTemporaryDir home;
    BrowsersInHome browserLocations{home.path()};

    // A site by the name StandInResolver blocks.
    static QUrl named(QUrl url, int index) {
        url.setHost(StandInResolver::defaultBlockedNames[index]);
        return url;
    }
    Deployment deployment() const {
        // The backend by name: its lookup is the verification's proof that names resolve.
        QUrl apiBase = backend.url(QStringLiteral("/api/"));
        apiBase.setHost(QStringLiteral("localhost"));
        return Deployment{
            .apiBase = apiBase,
            .blockProxy = backend.url(QStringLiteral("/shield_blocked")),
            .canaryURL = named(canary.url(), 0),
            .probeURLs = {named(sites[0].url(), 1), named(sites[1].url(), 2), named(sites[2].url(), 3)},
            .resolverHostName = QStringLiteral("dns.molvena.test")};
    }
};

class Rig : public Sites, public ProtectionStack {
public:
    explicit Rig(MonitorSchedule schedule = {.firstDelay = 700ms, .interval = 300s})
        : ProtectionStack(preferences.store(), Sites::deployment(), browserLocations, 3s, resolver.lookup(),
                          schedule,
                          {.probeTransfer = 500ms, .probeLimit = 1000ms, .profileDownload = 2000ms}) {
        store().setValue(QStringLiteral("macRole"), QStringLiteral("player"));
        store().setValue(QStringLiteral("macSetupComplete"), true);
        store().setValue(QStringLiteral("deviceToken"), kToken);
        store().setValue(QStringLiteral("pairingCode"), QStringLiteral("482913"));
        store().setValue(QStringLiteral("lastGamblingDate"), 1700000000.75);
        vpn.start();
    }

    void setWebProtectionInstalled(bool installed) { resolver.setBlocking(installed); }
    void setVPN(bool on) { paths.path = on ? NetworkPath{true, {QStringLiteral("utun3")}} : NetworkPath{}; }
    void evaluate(const QString& reason = QStringLiteral("heartbeat")) {
        QCoro::waitFor(monitor.evaluate(reason));
    }

    QList<QUrlQuery> requestsTo(const QString& path) const {
        QList<QUrlQuery> forms;
        for (const RecordedRequest& request : backend.requests()) {
            if (request.path == path) {
                forms.append(QUrlQuery(QString::fromUtf8(request.body)));
            }
        }
        return forms;
    }
    QList<QUrlQuery> reports() const { return requestsTo(kStatusPath); }
    // Each alert's reason; a browser with its own DNS by the browser's name.
    QStringList alerts() const {
        QStringList reasons;
        for (const QUrlQuery& form : requestsTo(kAlertPath)) {
            const QString reason = form.queryItemValue(QStringLiteral("reason"));
            reasons.append(reason == QLatin1String("mac_browser_dns_bypass")
                               ? form.queryItemValue(QStringLiteral("browser"))
                               : reason);
        }
        return reasons;
    }
    int probeRequests() const {
        int count = canary.requestCount();
        for (const SwitchableSite& site : sites) {
            count += site.requestCount();
        }
        return count;
    }
    PreferenceStore& store() { return preferences.store(); }
    // Writes a browser's settings file into the rig's home folder, as the browser would.
    void writeBrowserFile(const QString& path, const QByteArray& contents) {
        writeFile(home.filePath(path), contents);
    }
};

// The report as the backend sees it, without the fields every report carries alike.
QString reportSummary(const QUrlQuery& form) {
    return QStringLiteral("active=%1 launch=%2 dns=%3 vpn=%4 source=%5")
        .arg(form.queryItemValue(QStringLiteral("active")),
             form.queryItemValue(QStringLiteral("launch_at_login")),
             form.queryItemValue(QStringLiteral("dns_active")),
             form.queryItemValue(QStringLiteral("vpn_active")),
             form.queryItemValue(QStringLiteral("source")));
}

} // namespace

class MacProtectionMonitorTest : public QObject {
    Q_OBJECT
private slots:
    void firstHealthyRunThroughTheLoop();
    void removedLayerIsReportedOncePerKind_data();
    void removedLayerIsReportedOncePerKind();
    void setupAndBrowsersWithTheirOwnDNS();
    void onlyAPlayerWithCompleteSetupIsEvaluated_data();
    void onlyAPlayerWithCompleteSetupIsEvaluated();
};

void MacProtectionMonitorTest::firstHealthyRunThroughTheLoop() {
    Rig rig({.firstDelay = 50ms, .interval = 1000ms});
    QSignalSpy checks(&rig.monitor, &MacProtectionMonitor::lastCheckAtChanged);
    rig.monitor.start();
    rig.monitor.start();

    QTRY_COMPARE(rig.backend.requests().size(), 2);
    QTRY_COMPARE(checks.count(), 2);
    QTest::qWait(100); // let the heartbeat's report come back before the rig goes

    const QList<QUrlQuery> reports = rig.reports();
    QCOMPARE(reports.size(), 2);
    QCOMPARE(reportSummary(reports[0]), QStringLiteral("active=1 launch=1 dns=1 vpn=0 source=app_start"));
    QCOMPARE(reportSummary(reports[1]), QStringLiteral("active=1 launch=1 dns=1 vpn=0 source=heartbeat"));
    QCOMPARE(reports[0].queryItemValue(QStringLiteral("device_token")), kToken);
    QCOMPARE(reports[0].queryItemValue(QStringLiteral("pairing_code")), QStringLiteral("482913"));
    QCOMPARE(reports[0].queryItemValue(QStringLiteral("last_gambling_date")), QStringLiteral("1700000000"));
    QVERIFY(rig.alerts().isEmpty());

    QVERIFY(rig.monitor.isProtectionHealthy());
    QVERIFY(rig.store().boolean(QStringLiteral("hasEverActivatedMacProtection")));
    QVERIFY(rig.store().boolean(QStringLiteral("macLastKnownDNSActive")));
    QCOMPARE(rig.paths.startCount, 1);
}

void MacProtectionMonitorTest::removedLayerIsReportedOncePerKind_data() {
    QTest::addColumn<bool>("webStays");
    QTest::addColumn<bool>("loginItemStays");
    QTest::addColumn<bool>("vpn");
    QTest::addColumn<QString>("issue");
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("report");
    QTest::newRow("login item switched off") << true << false << false << "Automatisk start er slået fra."
                                             << "mac_launch_at_login_removed"
                                             << "active=0 launch=0 dns=1 vpn=0 source=heartbeat";
    // Web protection alone is WebProtectionEndToEndTest's, on real DNS.
    QTest::newRow("both gone") << false << false << false
                               << "Beskyttelsen på denne computer er ikke længere fuldt aktiv."
                               << "mac_protection_removed_externally"
                               << "active=0 launch=0 dns=0 vpn=0 source=heartbeat";
    // The sites would be reachable now, but behind a tunnel they are not probed.
    QTest::newRow("VPN") << false << true << true << "En VPN er aktiv og kan omgå webbeskyttelsen."
                         << "mac_vpn_detected"
                         << "active=0 launch=1 dns=1 vpn=1 source=heartbeat";
}

void MacProtectionMonitorTest::removedLayerIsReportedOncePerKind() {
    QFETCH(bool, webStays);
    QFETCH(bool, loginItemStays);
    QFETCH(bool, vpn);
    QFETCH(QString, kind);
    Rig rig;
    const auto removeLayers = [&] {
        rig.setWebProtectionInstalled(webStays);
        rig.setVPN(vpn);
        rig.loginItems.currentStatus =
            loginItemStays ? LoginItemService::enabled : LoginItemService::notRegistered;
    };
    const auto restoreLayers = [&] {
        rig.setWebProtectionInstalled(true);
        rig.setVPN(false);
        rig.loginItems.currentStatus = LoginItemService::enabled;
    };

    rig.evaluate(QStringLiteral("app_start"));
    QVERIFY(rig.monitor.isProtectionHealthy());

    removeLayers();
    rig.evaluate();
    rig.evaluate();
    rig.evaluate();
    QCOMPARE(rig.monitor.isProtectionHealthy(), false);
    QTEST(rig.monitor.lastIssue(), "issue");
    QCOMPARE(rig.alerts(), QStringList{kind});
    QCOMPARE(rig.reports().size(), 4); // every heartbeat reports, only the first one alerts
    QTEST(reportSummary(rig.reports().last()), "report");
    QCOMPARE(rig.probeRequests() > 0, !webStays && !vpn); // reachable sites answer, unless behind a tunnel
    // A tunnel leaves the last verdict as it was.
    QCOMPARE(rig.store().boolean(QStringLiteral("macLastKnownDNSActive")), webStays || vpn);

    // Whole again: the record is cleared, so the same removal is told again.
    restoreLayers();
    rig.evaluate(QStringLiteral("dashboard_refresh"));
    QVERIFY(rig.monitor.isProtectionHealthy());
    QCOMPARE(rig.monitor.lastIssue(), QString());
    removeLayers();
    rig.evaluate();
    QCOMPARE(rig.alerts(), (QStringList{kind, kind}));
    // Another kind while this one is recorded is told at once.
    rig.setVPN(!vpn);
    rig.evaluate();
    QCOMPARE(rig.alerts().size(), 3);
}

void MacProtectionMonitorTest::setupAndBrowsersWithTheirOwnDNS() {
    Rig rig;
    const auto firefoxMode = [&](const QByteArray& mode) {
        rig.writeBrowserFile(QStringLiteral(".mozilla/firefox/profiles.ini"),
                             "[Profile0]\nName=default-release\nIsRelative=1\nPath=p.default-release\n");
        rig.writeBrowserFile(QStringLiteral(".mozilla/firefox/p.default-release/prefs.js"),
                             "user_pref(\"network.trr.mode\", " + mode + ");\n");
    };
    const auto reportedBypass = [&] {
        return rig.reports().last().queryItemValue(QStringLiteral("browser_dns_bypass"));
    };

    // While setting up, a missing layer is no removal, and a browser with its own DNS is shown but
    // nobody is told.
    firefoxMode("3");
    rig.loginItems.currentStatus = LoginItemService::requiresApproval;
    QCoro::waitFor(rig.monitor.activateManually());
    QCOMPARE(rig.monitor.lastIssue(), QStringLiteral("Beskyttelsen er endnu ikke færdigaktiveret."));
    QCOMPARE(reportSummary(rig.reports().first()),
             QStringLiteral("active=0 launch=0 dns=1 vpn=0 source=manual_activation"));
    QVERIFY(rig.alerts().isEmpty());
    QCOMPARE(rig.store().boolean(QStringLiteral("hasEverActivatedMacProtection")), false);
    QCOMPARE(rig.monitor.bypassingBrowsers(), QStringList{QStringLiteral("Firefox")});
    QCOMPARE(reportedBypass(), QStringLiteral("Firefox"));

    // Approved, so protected: told once per browser across heartbeats; healthy layers do not clear it.
    rig.loginItems.currentStatus = LoginItemService::enabled;
    rig.evaluate(QStringLiteral("dns_profile_verified"));
    QVERIFY(rig.store().boolean(QStringLiteral("hasEverActivatedMacProtection")));
    rig.evaluate();
    rig.evaluate();
    QVERIFY(rig.monitor.isProtectionHealthy());
    QCOMPARE(rig.alerts(), QStringList{QStringLiteral("Firefox")});
    rig.writeBrowserFile(
        QStringLiteral(".config/google-chrome/Local State"),
        R"({"dns_over_https":{"mode":"secure","templates":"https://dns.google/dns-query"}})");
    rig.evaluate();
    rig.evaluate();
    QCOMPARE(rig.alerts(), (QStringList{QStringLiteral("Firefox"), QStringLiteral("Google Chrome")}));
    QCOMPARE(reportedBypass(), QStringLiteral("Firefox,Google Chrome"));

    // Seen off and then on again, Firefox is told again.
    firefoxMode("5");
    rig.evaluate();
    QCOMPARE(reportedBypass(), QStringLiteral("Google Chrome"));
    QCOMPARE(rig.monitor.browserBypasses().size(), 1);
    firefoxMode("2");
    rig.evaluate();
    QCOMPARE(rig.alerts(), (QStringList{QStringLiteral("Firefox"), QStringLiteral("Google Chrome"),
                                        QStringLiteral("Firefox")}));
    const QVariantMap firefox = rig.monitor.browserBypasses().first().toMap();
    QVERIFY(firefox.value(QStringLiteral("steps"))
                .toString()
                .startsWith(QStringLiteral("Firefox bruger sin egen DNS")));
}

void MacProtectionMonitorTest::onlyAPlayerWithCompleteSetupIsEvaluated_data() {
    QTest::addColumn<QVariant>("role");
    QTest::addColumn<bool>("setupComplete");
    QTest::newRow("relative") << QVariant(QStringLiteral("relative")) << true;
    QTest::newRow("player still onboarding") << QVariant(QStringLiteral("player")) << false;
}

void MacProtectionMonitorTest::onlyAPlayerWithCompleteSetupIsEvaluated() {
    QFETCH(QVariant, role);
    QFETCH(bool, setupComplete);
    Rig rig;
    rig.store().setValue(QStringLiteral("macRole"), role);
    rig.store().setValue(QStringLiteral("macSetupComplete"), setupComplete);
    rig.setWebProtectionInstalled(false);
    rig.loginItems.currentStatus = LoginItemService::notRegistered;
    const QByteArray before = readFile(rig.preferences.path());
    QSignalSpy checks(&rig.monitor, &MacProtectionMonitor::lastCheckAtChanged);

    rig.evaluate();

    QCOMPARE(readFile(rig.preferences.path()), before);
    QCOMPARE(rig.backend.requests().size(), 0);
    QCOMPARE(rig.probeRequests(), 0);
    QCOMPARE(checks.count(), 0);
}

QTEST_GUILESS_MAIN(MacProtectionMonitorTest)
#include "MacProtectionMonitorTest.moc"
