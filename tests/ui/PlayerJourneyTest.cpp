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

// The player's road after the onboarding: protection setup, the profile sheet, the dashboard; and the
// dashboard's own rules (days counted in local calendar days, the milestone lines, every symbol the
// screens draw shipped).
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
    deployment.resolverHostName = QStringLiteral("dns.molvena.dk");
    PlatformAdapters adapters = desktop.adapters();
    adapters.hostLookup = resolver.lookup();
    AppDriver driver(std::move(adapters), deployment);
    QVERIFY(driver.started());
    const QString code = QStringLiteral("582913");
    driver.signInAsPlayer(QStringLiteral("anna@example.dk"), code);
    const QString token = driver.app().session().deviceToken();
    QTRY_COMPARE(driver.screenName(), QStringLiteral("ProtectionSetup"));
    QTRY_COMPARE(driver.textOf(QStringLiteral("checklistWeb")), QStringLiteral("Webbeskyttelse mangler"));
    QCOMPARE(driver.textOf(QStringLiteral("loginStepButton")), QStringLiteral("Aktivér automatisk start"));
    QCOMPARE(driver.textOf(QStringLiteral("webStepButton")), QStringLiteral("Installer beskyttelse"));
    QVERIFY(!driver.isShown(QStringLiteral("vpnStepButton")));
    QCOMPARE(driver.textOf(QStringLiteral("setupFooter")),
             QStringLiteral("Dashboardet åbner, når alle tre trin er gennemført."));
    driver.screenshot(QStringLiteral("protection-setup"));

    driver.click(QStringLiteral("loginStepButton"));
    QTRY_VERIFY(!driver.isShown(QStringLiteral("loginStepButton")));
    QVERIFY(QFile::exists(desktop.autostartEntry));
    QCOMPARE(driver.textOf(QStringLiteral("loginStepButtonDetail")),
             QStringLiteral("Molvena starter automatisk, når du logger ind på denne Mac."));

    // Enabling the login item starts verifications, each holding the button until it is done.
    QVERIFY(driver.pressUntil(QStringLiteral("webStepButton"),
                              [&] { return driver.isShown(QStringLiteral("profileDownloadButton")); }));
    // The sheet verifies first; its buttons wait for that.
    QTRY_VERIFY(driver.item(QStringLiteral("profileDownloadButton"))->isEnabled());
    driver.screenshot(QStringLiteral("profile-sheet"));
    QVERIFY(driver.pressUntil(QStringLiteral("profileDownloadButton"),
                              [&] { return driver.isShown(QStringLiteral("profileConfirmButton")); }));
    QCOMPARE(desktop.workspace->openedURLs.size(), 1);
    QVERIFY(desktop.workspace->openedURLs[0].toString().contains(token));
    QVERIFY(
        driver.textOf(QStringLiteral("profileMessage")).startsWith(QStringLiteral("Download af profilen")));

    // Confirming before the profile blocks anything keeps the player in the sheet.
    QVERIFY(driver.pressUntil(QStringLiteral("profileConfirmButton"), [&] {
        return driver.textOf(QStringLiteral("profileMessage"))
            .startsWith(QStringLiteral("Beskyttelsen er endnu"));
    }));
    QVERIFY(driver.isShown(QStringLiteral("profileStepDone2")));
    driver.screenshot(QStringLiteral("profile-sheet-not-yet"));

    // Closing and reopening remembers the download.
    driver.clickThenRead(QStringLiteral("profileCloseButton"), QStringLiteral("webStepButton"),
                         QStringLiteral("Fortsæt installationen"));
    QVERIFY(driver.pressUntil(QStringLiteral("webStepButton"),
                              [&] { return driver.isShown(QStringLiteral("profileConfirmButton")); }));

    // A relative pairs meanwhile; the dashboard shows it with a masked address.
    (void)QCoro::waitFor(driver.app().api().pairRelative(code, QStringLiteral("bodil@example.dk")));
    // The profile starts blocking only once the sheet's own check on showing is over, so the press
    // is what finds it active.
    QTRY_VERIFY(driver.item(QStringLiteral("profileConfirmButton"))->isEnabled() &&
                !driver.app().dns().isChecking());
    resolver.setBlocking(true);
    QVERIFY(driver.pressUntil(QStringLiteral("profileConfirmButton"),
                              [&] { return driver.screenName() == QStringLiteral("PlayerDashboard"); }));
    const auto sources = [&](const QString& source) {
        return backend.rows(QStringLiteral("SELECT active FROM device_reports WHERE device_token = '%1' AND "
                                           "source = '%2'")
                                .arg(token, source));
    };
    QTRY_COMPARE(sources(QStringLiteral("manual_activation")), (QList<QVariantList>{{qint64(1)}}));
    QTRY_COMPARE(sources(QStringLiteral("dns_profile_verified")), (QList<QVariantList>{{qint64(1)}}));
    QVERIFY(driver.preferences().boolean(preferenceKeys::hasEverActivatedMacProtection));

    driver.screenshot(QStringLiteral("dashboard"));
    driver.click(QStringLiteral("syncButton"));
    QTRY_COMPARE(sources(QStringLiteral("dashboard_refresh")).size(), 1);
    QTRY_COMPARE(driver.textOf(QStringLiteral("statusPill")), QStringLiteral("Beskyttelse aktiv"));
    QVERIFY(!driver.isShown(QStringLiteral("dashboardBanner")));
    QVERIFY(!driver.isShown(QStringLiteral("browserBypassCard")));
    QCOMPARE(driver.textOf(QStringLiteral("gamblingFreeDays")), QStringLiteral("3"));
    QCOMPARE(driver.textOf(QStringLiteral("pairingCode")), code.left(3) + QLatin1Char(' ') + code.mid(3));
    driver.click(QStringLiteral("copyPairingCode"));
    QCOMPARE(QGuiApplication::clipboard()->text(), code);
    const QString relative = driver.textOf(QStringLiteral("relativeLabel0"));
    QVERIFY2(relative.endsWith(QStringLiteral("@example.dk")) && !relative.contains(QStringLiteral("bodil")),
             qPrintable(relative));

    // Bodil confirms her address; then the profile goes: the gambling sites answer again.
    QVERIFY(backend.confirmMailedAddresses(QStringLiteral("relative_confirmation")) == 1);
    resolver.setBlocking(false);
    const auto alerts = [&] {
        return backend.rows(QStringLiteral("SELECT e.reason, o.recipient FROM outbox o JOIN events e ON "
                                           "e.id = o.event_id WHERE o.kind = 'alert'"));
    };
    const QList<QVariantList> oneAlert{
        {QStringLiteral("mac_dns_profile_removed_externally"), QStringLiteral("bodil@example.dk")}};
    for (int evaluation = 2; evaluation <= 3; ++evaluation) {
        driver.click(QStringLiteral("syncButton"));
        QTRY_COMPARE_WITH_TIMEOUT(sources(QStringLiteral("dashboard_refresh")).size(), evaluation, 10000);
        QTRY_COMPARE(driver.textOf(QStringLiteral("syncButton")), QStringLiteral("Synkronisér"));
        QCOMPARE(alerts(), oneAlert);
    }
    const QDir outbox(backend.dataFolder() + QStringLiteral("/outbox"));
    QTRY_COMPARE(outbox.entryList({QStringLiteral("*-alert.eml")}, QDir::Files).size(), 1);
    QCOMPARE(driver.textOf(QStringLiteral("bannerTitle")),
             QStringLiteral("Webbeskyttelsen kræver din opmærksomhed"));
    QCOMPARE(driver.textOf(QStringLiteral("statusPill")), QStringLiteral("Kontrollerer beskyttelse"));
    QCOMPARE(driver.textOf(QStringLiteral("protectionBadge")), QStringLiteral("KRÆVER TJEK"));
    driver.screenshot(QStringLiteral("dashboard-protection-removed"));

    // Firefox switched to its own DNS: the next check names it, and Bodil hears of it once.
    const QString firefox = desktop.folder.filePath(QStringLiteral(".mozilla/firefox"));
    writeFile(firefox + QStringLiteral("/profiles.ini"),
              "[Profile0]\nName=default-release\nIsRelative=1\nPath=a1b2.default-release\n");
    writeFile(firefox + QStringLiteral("/a1b2.default-release/prefs.js"),
              "user_pref(\"network.trr.mode\", 3);\n");
    driver.clickThenRead(QStringLiteral("syncButton"), QStringLiteral("browserBypassTitle"),
                         QStringLiteral("Firefox går uden om webbeskyttelsen"));
    QVERIFY(driver.textOf(QStringLiteral("browserBypassSteps"))
                .startsWith(QStringLiteral("Firefox bruger sin egen DNS")));
    QTRY_COMPARE(
        backend.rows(QStringLiteral("SELECT title FROM events WHERE reason = 'mac_browser_dns_bypass'")),
        (QList<QVariantList>{{QStringLiteral("Firefox går uden om webbeskyttelsen på Mac")}}));
    QTRY_COMPARE(alerts().size(), 2);
    QCOMPARE(alerts().last(),
             (QVariantList{QStringLiteral("mac_browser_dns_bypass"), QStringLiteral("bodil@example.dk")}));
    driver.screenshot(QStringLiteral("dashboard-browser-bypass"));

    driver.click(QStringLiteral("headerMenuButton"));
    driver.go(QStringLiteral("menuLogOut"), QStringLiteral("RoleSelection"));
}

void PlayerJourneyTest::aTunnelHoldsTheSetupWithoutProbing() {
    BackendProcess backend;
    InstalledDesktop desktop;
    SwitchableSite site;
    StandInResolver resolver(false);
    PlatformAdapters adapters = desktop.adapters();
    adapters.hostLookup = resolver.lookup();
    desktop.paths->path =
        NetworkPath{.usesOtherInterface = true, .otherInterfaceNames = {QStringLiteral("utun4")}};
    AppDriver driver(std::move(adapters), siteDeployment(backend, site));
    QVERIFY(driver.started());
    driver.signInAsPlayer(QStringLiteral("tunnel@example.dk"), QStringLiteral("582913"));

    QTRY_COMPARE(driver.textOf(QStringLiteral("vpnStepButton")), QStringLiteral("Åbn netværksindstillinger"));
    QCOMPARE(driver.textOf(QStringLiteral("checklistVPN")), QStringLiteral("VPN aktiv · slå fra"));
    QTest::qWait(300);
    QCOMPARE(site.requestCount(), 0);
    driver.screenshot(QStringLiteral("protection-setup-vpn"));
    driver.click(QStringLiteral("vpnStepButton"));
    QCOMPARE(desktop.workspace->openedURLs.size() + desktop.workspace->openedApplications.size(), 1);

    // The tunnel goes away: the setup verifies at once.
    desktop.paths->deliver(NetworkPath{});
    QTRY_VERIFY(site.requestCount() > 0);
    QTRY_COMPARE(driver.textOf(QStringLiteral("checklistVPN")), QStringLiteral("Ingen VPN registreret"));
    QTRY_COMPARE(driver.textOf(QStringLiteral("checklistWeb")), QStringLiteral("Webbeskyttelse mangler"));
    QVERIFY(!driver.isShown(QStringLiteral("vpnStepButton")));
    driver.screenshot(QStringLiteral("protection-setup-vpn-off"));

    // The profile goes in before automatic start: turning that on, the last layer, opens the dashboard.
    // Whichever check comes first finds it: the sheet's, or the setup's own re-check once the network
    // settled (the step's button then goes away under the test's hand).
    resolver.setBlocking(true);
    if (driver.isShown(QStringLiteral("webStepButton"))) {
        driver.click(QStringLiteral("webStepButton"));
        if (QTest::qWaitFor([&] { return driver.isShown(QStringLiteral("profileDoneButton")); }, 10000)) {
            driver.click(QStringLiteral("profileDoneButton"));
        }
    }
    QTRY_COMPARE_WITH_TIMEOUT(driver.textOf(QStringLiteral("checklistWeb")),
                              QStringLiteral("Webbeskyttelse aktiv"), 10000);
    QVERIFY(!driver.isShown(QStringLiteral("profileSheetTitle")));
    QCOMPARE(driver.screenName(), QStringLiteral("ProtectionSetup"));
    driver.go(QStringLiteral("loginStepButton"), QStringLiteral("PlayerDashboard"));
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
    QTest::newRow("earlier today") << at(2026, 5, 2, 0, 0) << at(2026, 5, 2, 23, 59) << 0 << "I dag starter";
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
