#include "AppDriver.h"
#include "InstalledDesktop.h"
#include "PlayerDashboardViewModel.h"
#include "design/SymbolIcon.h"
#include "session/PreferenceKeys.h"

#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QTimeZone>
#include <QtTest/QtTest>
#include <qcoro/qcorotask.h>

using namespace molvena;
using namespace molvena::test;
using namespace Qt::StringLiterals;

// The player's road after the onboarding: protection setup, profile sheet, dashboard; and the
// dashboard's rules (days in local calendar days, milestone lines, every symbol the screens draw shipped).
class PlayerJourneyTest : public QObject {
    Q_OBJECT
private slots:
    void freshPlayerProtectsTheMacAndReachesTheDashboard();
    void aTunnelHoldsTheSetupWithoutProbing();
    void daysAndMilestones_data();
    void daysAndMilestones();
    void everySymbolTheScreensNameLoads();

private:
    // The blocked deployment with the gambling sites at `site`, which answers until blocking starts.
    static Deployment siteDeployment(const BackendProcess& backend, const SwitchableSite& site);
};

Deployment PlayerJourneyTest::siteDeployment(const BackendProcess& backend, const SwitchableSite& site) {
    Deployment deployment = AppDriver::blockedDeployment(backend);
    for (QUrl* url : {&deployment.canaryURL, &deployment.probeURLs[0], &deployment.probeURLs[1],
                      &deployment.probeURLs[2]}) {
        url->setPort(site.url().port());
    }
    return deployment;
}

void PlayerJourneyTest::freshPlayerProtectsTheMacAndReachesTheDashboard() {
    BackendProcess backend;
    InstalledDesktop desktop;
    // The gambling sites answer until the profile is "installed": then their names stop existing.
    SwitchableSite site;
    StandInResolver resolver(false);
    Deployment deployment = siteDeployment(backend, site);
    // The profile the reference server hands out names its default resolver.
    deployment.resolverHostName = u"dns.molvena.dk"_s;
    PlatformAdapters adapters = desktop.adapters();
    adapters.hostLookup = resolver.lookup();
    AppDriver driver(std::move(adapters), deployment);
    QVERIFY(driver.started());
    const QString code = u"582913"_s;
    driver.signInAsPlayer(u"anna@example.dk"_s, code);
    const QString token = driver.app().session().deviceToken();
    QTRY_COMPARE(driver.screenName(), u"ProtectionSetup"_s);
    QTRY_COMPARE(driver.textOf(u"checklistWeb"_s), u"Webbeskyttelse mangler"_s);
    QCOMPARE(driver.textOf(u"loginStepButton"_s), u"Aktivér automatisk start"_s);
    QCOMPARE(driver.textOf(u"webStepButton"_s), u"Installer beskyttelse"_s);
    QVERIFY(!driver.isShown(u"vpnStepButton"_s));
    QCOMPARE(driver.textOf(u"setupFooter"_s), u"Dashboardet åbner, når alle tre trin er gennemført."_s);
    driver.screenshot(u"protection-setup"_s);

    driver.click(u"loginStepButton"_s);
    QTRY_VERIFY(!driver.isShown(u"loginStepButton"_s));
    QVERIFY(QFile::exists(desktop.autostartEntry));
    QCOMPARE(driver.textOf(u"loginStepButtonDetail"_s),
             u"Molvena starter automatisk, når du logger ind på denne computer."_s);

    // Enabling the login item starts verifications, each holding the button until it is done.
    QVERIFY(
        driver.pressUntil(u"webStepButton"_s, [&] { return driver.isShown(u"profileDownloadButton"_s); }));
    // The sheet verifies first; its buttons wait for that.
    QTRY_VERIFY(driver.item(u"profileDownloadButton"_s)->isEnabled());
    driver.screenshot(u"profile-sheet"_s);
    QVERIFY(driver.pressUntil(u"profileDownloadButton"_s,
                              [&] { return driver.isShown(u"profileConfirmButton"_s); }));
    QCOMPARE(desktop.workspace->openedURLs.size(), 1);
    QVERIFY(desktop.workspace->openedURLs[0].toString().contains(token));
    QVERIFY(driver.textOf(u"profileMessage"_s).startsWith(u"Download af profilen"_s));

    // Confirming before the profile blocks anything keeps the player in the sheet.
    QVERIFY(driver.pressUntil(u"profileConfirmButton"_s, [&] {
        return driver.textOf(u"profileMessage"_s).startsWith(u"Beskyttelsen er endnu"_s);
    }));
    QVERIFY(driver.isShown(u"profileStepDone2"_s));
    driver.screenshot(u"profile-sheet-not-yet"_s);

    // A relative pairs meanwhile; the dashboard shows it with a masked address.
    (void)QCoro::waitFor(driver.app().api().pairRelative(code, u"bodil@example.dk"_s));
    // The profile starts blocking only once the sheet's own check on showing is over, so the press
    // is what finds it active.
    QTRY_VERIFY(driver.item(u"profileConfirmButton"_s)->isEnabled() && !driver.app().dns().isChecking());
    resolver.setBlocking(true);
    QVERIFY(driver.pressUntil(u"profileConfirmButton"_s,
                              [&] { return driver.screenName() == u"PlayerDashboard"_s; }));
    const auto sources = [&](const QString& source) {
        return backend.rows(QStringLiteral("SELECT active FROM device_reports WHERE device_token = '%1' AND "
                                           "source = '%2'")
                                .arg(token, source));
    };
    QTRY_COMPARE(sources(u"manual_activation"_s), (QList<QVariantList>{{qint64(1)}}));
    QTRY_COMPARE(sources(u"dns_profile_verified"_s), (QList<QVariantList>{{qint64(1)}}));
    QVERIFY(driver.preferences().boolean(preferenceKeys::hasEverActivatedMacProtection));

    driver.screenshot(u"dashboard"_s);
    driver.click(u"syncButton"_s);
    QTRY_COMPARE(sources(u"dashboard_refresh"_s).size(), 1);
    QTRY_COMPARE(driver.textOf(u"statusPill"_s), u"Beskyttelse aktiv"_s);
    QVERIFY(!driver.isShown(u"dashboardBanner"_s));
    QVERIFY(!driver.isShown(u"browserBypassCard"_s));
    QCOMPARE(driver.textOf(u"gamblingFreeDays"_s), u"3"_s);
    QCOMPARE(driver.textOf(u"pairingCode"_s), code.left(3) + QLatin1Char(' ') + code.mid(3));
    driver.click(u"copyPairingCode"_s);
    QCOMPARE(QGuiApplication::clipboard()->text(), code);
    const QString relative = driver.textOf(u"relativeLabel0"_s);
    QVERIFY2(relative.endsWith(u"@example.dk"_s) && !relative.contains(u"bodil"_s), qPrintable(relative));

    // Bodil confirms her address; then the profile goes: the gambling sites answer again.
    QVERIFY(backend.confirmMailedAddresses(u"relative_confirmation"_s) == 1);
    resolver.setBlocking(false);
    const auto alerts = [&] {
        return backend.rows(QStringLiteral("SELECT e.reason, o.recipient FROM outbox o JOIN events e ON "
                                           "e.id = o.event_id WHERE o.kind = 'alert'"));
    };
    const QList<QVariantList> oneAlert{{u"mac_dns_profile_removed_externally"_s, u"bodil@example.dk"_s}};
    for (int evaluation = 2; evaluation <= 3; ++evaluation) {
        driver.click(u"syncButton"_s);
        QTRY_COMPARE_WITH_TIMEOUT(sources(u"dashboard_refresh"_s).size(), evaluation, 10000);
        QTRY_COMPARE(driver.textOf(u"syncButton"_s), u"Synkronisér"_s);
        QCOMPARE(alerts(), oneAlert);
    }
    const QDir outbox(backend.dataFolder() + u"/outbox"_s);
    QTRY_COMPARE(outbox.entryList({u"*-alert.eml"_s}, QDir::Files).size(), 1);
    QCOMPARE(driver.textOf(u"bannerTitle"_s), u"Webbeskyttelsen kræver din opmærksomhed"_s);
    QCOMPARE(driver.textOf(u"statusPill"_s), u"Kontrollerer beskyttelse"_s);
    QCOMPARE(driver.textOf(u"protectionBadge"_s), u"KRÆVER TJEK"_s);
    driver.screenshot(u"dashboard-protection-removed"_s);

    // Firefox switched to its own DNS: the next check names it, and Bodil hears of it once.
    const QString firefox = desktop.folder.filePath(u".mozilla/firefox"_s);
    writeFile(firefox + u"/profiles.ini"_s,
              "[Profile0]\nName=default-release\nIsRelative=1\nPath=a1b2.default-release\n");
    writeFile(firefox + u"/a1b2.default-release/prefs.js"_s, "user_pref(\"network.trr.mode\", 3);\n");
    driver.clickThenRead(u"syncButton"_s, u"browserBypassTitle"_s, u"Firefox går uden om webbeskyttelsen"_s);
    QVERIFY(driver.textOf(u"browserBypassSteps"_s).startsWith(u"Firefox bruger sin egen DNS"_s));
    QTRY_COMPARE(alerts().size(), 2);
    QCOMPARE(alerts().last(), (QVariantList{u"mac_browser_dns_bypass"_s, u"bodil@example.dk"_s}));
    driver.screenshot(u"dashboard-browser-bypass"_s);

    driver.click(u"headerMenuButton"_s);
    driver.go(u"menuLogOut"_s, u"RoleSelection"_s);
}

void PlayerJourneyTest::aTunnelHoldsTheSetupWithoutProbing() {
    BackendProcess backend;
    InstalledDesktop desktop;
    SwitchableSite site;
    StandInResolver resolver(false);
    PlatformAdapters adapters = desktop.adapters();
    adapters.hostLookup = resolver.lookup();
    desktop.paths->path = NetworkPath{.usesOtherInterface = true, .otherInterfaceNames = {u"utun4"_s}};
    AppDriver driver(std::move(adapters), siteDeployment(backend, site));
    QVERIFY(driver.started());
    driver.signInAsPlayer(u"tunnel@example.dk"_s, u"582913"_s);

    QTRY_COMPARE(driver.textOf(u"vpnStepButton"_s), u"Åbn netværksindstillinger"_s);
    QCOMPARE(driver.textOf(u"checklistVPN"_s), u"VPN aktiv · slå fra"_s);
    QTest::qWait(300);
    QCOMPARE(site.requestCount(), 0);
    driver.screenshot(u"protection-setup-vpn"_s);
    driver.click(u"vpnStepButton"_s);
    QCOMPARE(desktop.workspace->openedURLs.size() + desktop.workspace->openedApplications.size(), 1);

    // The tunnel goes away: the setup verifies at once.
    desktop.paths->deliver(NetworkPath{});
    QTRY_VERIFY(site.requestCount() > 0);
    QTRY_COMPARE(driver.textOf(u"checklistVPN"_s), u"Ingen VPN registreret"_s);
    QTRY_COMPARE(driver.textOf(u"checklistWeb"_s), u"Webbeskyttelse mangler"_s);
    QVERIFY(!driver.isShown(u"vpnStepButton"_s));
    driver.screenshot(u"protection-setup-vpn-off"_s);

    // The profile goes in before automatic start: turning that on, the last layer, opens the dashboard.
    // Whichever check comes first finds it: the sheet's, or the setup's own re-check once the network
    // settled (the step's button then goes away under the test's hand).
    resolver.setBlocking(true);
    if (driver.isShown(u"webStepButton"_s)) {
        driver.click(u"webStepButton"_s);
        if (QTest::qWaitFor([&] { return driver.isShown(u"profileDoneButton"_s); }, 10000)) {
            driver.click(u"profileDoneButton"_s);
        }
    }
    QTRY_COMPARE_WITH_TIMEOUT(driver.textOf(u"checklistWeb"_s), u"Webbeskyttelse aktiv"_s, 10000);
    QVERIFY(!driver.isShown(u"profileSheetTitle"_s));
    QCOMPARE(driver.screenName(), u"ProtectionSetup"_s);
    driver.go(u"loginStepButton"_s, u"PlayerDashboard"_s);
}

void PlayerJourneyTest::daysAndMilestones_data() {
    QTest::addColumn<QDateTime>("lastGambling");
    QTest::addColumn<QDateTime>("now");
    QTest::addColumn<int>("days");
    QTest::addColumn<QString>("lineStart");
    // A zone with daylight saving, so a day of 23 or 25 hours still counts as one.
    const QTimeZone copenhagen("Europe/Copenhagen");
    const auto at = [&](int year, int month, int day, int hour, int minute) {
        return QDateTime(QDate(year, month, day), QTime(hour, minute), copenhagen);
    };
    QTest::newRow("never") << QDateTime() << at(2026, 5, 1, 12, 0) << 0 << "I dag starter";
    QTest::newRow("yesterday 23:59 at 00:01")
        << at(2026, 5, 1, 23, 59) << at(2026, 5, 2, 0, 1) << 1 << "Én dag ad gangen";
    QTest::newRow("future") << at(2026, 5, 9, 10, 0) << at(2026, 5, 2, 10, 0) << 0 << "I dag starter";
    QTest::newRow("13 days over spring forward")
        << at(2026, 3, 20, 22, 0) << at(2026, 4, 2, 0, 30) << 13 << "Én dag ad gangen";
    QTest::newRow("14 days") << at(2026, 3, 19, 23, 30) << at(2026, 4, 2, 0, 30) << 14 << "Du har skabt";
}

void PlayerJourneyTest::daysAndMilestones() {
    QFETCH(QDateTime, lastGambling);
    QFETCH(QDateTime, now);
    QFETCH(int, days);
    QFETCH(QString, lineStart);
    const double stored = lastGambling.isValid() ? double(lastGambling.toSecsSinceEpoch()) : 0.0;
    QCOMPARE(PlayerDashboardViewModel::gamblingFreeDays(stored, now), days);
    QVERIFY(PlayerDashboardViewModel::milestoneText(days).startsWith(lineStart));
}

void PlayerJourneyTest::everySymbolTheScreensNameLoads() {
    QVERIFY(SymbolIcon::names().size() >= 57);
    for (const QString& name : SymbolIcon::names()) {
        SymbolIcon icon;
        icon.setName(name);
        QVERIFY2(icon.known(), qPrintable(name));
    }
}

QTEST_MAIN(PlayerJourneyTest)
#include "PlayerJourneyTest.moc"
