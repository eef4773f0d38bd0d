#include "AppDriver.h"
#include "InstalledDesktop.h"
#include "session/PreferenceKeys.h"

#include <QDir>
#include <QFile>
#include <QQuickWindow>
#include <QtTest/QtTest>
#include <qcoro/qcorotask.h>

using namespace molvena;
using namespace molvena::test;

// The settings pages about this Mac: its protection layers, the account's history, and leaving.
class SettingsDeviceJourneyTest : public QObject {
    Q_OBJECT
private slots:
    void protectionHistoryAndRemoval();
    void localLogOutKeepsTheLoginItem();

private:
    // A registered player on the dashboard, with this Mac's automatic start on.
    static void reachDashboard(AppDriver& driver, const QString& email, const QString& code);
    static void openSettings(AppDriver& driver, const QString& section);
};

void SettingsDeviceJourneyTest::reachDashboard(AppDriver& driver, const QString& email, const QString& code) {
    AppSession& session = driver.app().session();
    const APIClient& api = driver.app().api();
    QCoro::waitFor(api.registerMacDevice(QStringLiteral("Anna Jensen"), email, QStringLiteral("1234"), code,
                                         session.deviceToken()));
    driver.app().launchAtLogin().enable();
    driver.preferences().setValue(preferenceKeys::hasEverActivatedMacProtection, true);
    session.selectRole(UserRole::player);
    session.completeSetup();
    QTRY_COMPARE(driver.screenName(), QStringLiteral("PlayerDashboard"));
}

void SettingsDeviceJourneyTest::openSettings(AppDriver& driver, const QString& section) {
    driver.click(QStringLiteral("headerMenuButton"));
    driver.click(QStringLiteral("menuSettings"));
    driver.click(QStringLiteral("section_") + section);
}

void SettingsDeviceJourneyTest::protectionHistoryAndRemoval() {
    BackendProcess backend;
    InstalledDesktop desktop;
    // Chrome's settings cannot be read (a folder where its file belongs).
    QVERIFY(QDir().mkpath(desktop.folder.filePath(QStringLiteral("config/google-chrome/Local State"))));
    PlatformAdapters adapters = desktop.adapters();
    // The system's own web-protection step: on Linux its sheet offers the removal (not pressed here).
    adapters.webProtection = InstalledDesktop::refusingWebProtection();
    AppDriver driver(std::move(adapters), AppDriver::blockedDeployment(backend));
    QVERIFY(driver.started());
    reachDashboard(driver, QStringLiteral("anna@example.dk"), QStringLiteral("418276"));
    const QString token = driver.app().session().deviceToken();
    const auto reports = [&](const QString& source) {
        return backend.rows(QStringLiteral("SELECT dns_active, vpn_active FROM device_reports WHERE "
                                           "device_token = '%1' AND source = '%2'")
                                .arg(token, source));
    };

    // All three layers hold: green tiles, and a check reports them.
    openSettings(driver, QStringLiteral("protection"));
    QTRY_COMPARE(driver.textOf(QStringLiteral("layerStatus_login")), QStringLiteral("Aktiveret"));
    QCOMPARE(driver.item(QStringLiteral("layerMark_web"))->property("name").toString(),
             QStringLiteral("checkmark.circle.fill"));
    QVERIFY(!driver.isShown(QStringLiteral("vpnWarningCard")));
    QVERIFY(!driver.isShown(QStringLiteral("openNetworkSettingsButton")));
    QTRY_COMPARE(driver.textOf(QStringLiteral("browserNotCheckedTitle")),
                 QStringLiteral("Kunne ikke kontrollere Google Chrome"));
    QCOMPARE(driver.textOf(QStringLiteral("browserNotCheckedReason")),
             QStringLiteral("Indstillingsfilen kunne ikke læses."));
    QVERIFY(!driver.isShown(QStringLiteral("browserBypassCard")));
    driver.screenshot(QStringLiteral("settings-protection"));
    driver.click(QStringLiteral("checkProtectionButton"));
    QTRY_COMPARE(reports(QStringLiteral("settings_refresh")), (QList<QVariantList>{{qint64(1), qint64(0)}}));
    QTRY_COMPARE(driver.textOf(QStringLiteral("checkProtectionButton")),
                 QStringLiteral("Kontrollér beskyttelsen"));

    // A tunnel comes up: the page warns, and the check leaves the probes alone but still reports.
    desktop.paths->deliver(
        NetworkPath{.usesOtherInterface = true, .otherInterfaceNames = {QStringLiteral("utun4")}});
    QTRY_VERIFY(driver.isShown(QStringLiteral("vpnWarningCard")));
    QCOMPARE(driver.textOf(QStringLiteral("layerStatus_vpn")), QStringLiteral("VPN registreret"));
    QCOMPARE(driver.item(QStringLiteral("layerMark_vpn"))->property("name").toString(),
             QStringLiteral("exclamationmark.circle.fill"));
    const QDateTime lastProbe = driver.app().dns().lastCheckAt().value_or(QDateTime());
    driver.click(QStringLiteral("checkProtectionButton"));
    QTRY_COMPARE(reports(QStringLiteral("settings_refresh")).size(), 2);
    QCOMPARE(reports(QStringLiteral("settings_refresh")).last(), (QVariantList{qint64(1), qint64(1)}));
    QCOMPARE(driver.app().dns().lastCheckAt().value_or(QDateTime()), lastProbe);
    driver.screenshot(QStringLiteral("settings-protection-vpn"));
    driver.click(QStringLiteral("vpnWarningButton"));
    driver.click(QStringLiteral("openNetworkSettingsButton"));
    QCOMPARE(desktop.workspace->openedURLs.size() + desktop.workspace->openedApplications.size(), 2);

    // The profile sheet opens over the window.
    driver.click(QStringLiteral("reinstallWebProtectionButton"));
    QTRY_VERIFY(driver.isShown(QStringLiteral("profileSheetTitle")));
    QVERIFY(driver.isShown(QStringLiteral("protectionRemoveButton")));
    driver.screenshot(QStringLiteral("settings-profile-sheet-linux"));
    driver.click(QStringLiteral("profileDoneButton"));
    QTRY_VERIFY(!driver.isShown(QStringLiteral("profileSheetTitle")));

    // The history, first with the backend away: nothing to show and why.
    backend.stop();
    driver.click(QStringLiteral("section_history"));
    QTRY_COMPARE(driver.textOf(QStringLiteral("storeMessage")),
                 QStringLiteral("Der kunne ikke oprettes forbindelse til serveren."));
    QVERIFY(!driver.isShown(QStringLiteral("historyEmpty")));
    driver.screenshot(QStringLiteral("settings-history-empty-error"));
    backend.start();
    // The monitor's alert about the tunnel, a relative who paired, and a blocked site reported by
    // this Mac.
    (void)QCoro::waitFor(
        driver.app().api().pairRelative(QStringLiteral("418276"), QStringLiteral("sofie@example.dk")));
    (void)QCoro::waitFor(driver.app().api().sendNotification(token, QStringLiteral("blocked_site"),
                                                             QStringLiteral("bet365.dk")));
    driver.click(QStringLiteral("refreshHistoryButton"));
    QTRY_COMPARE(driver.textOf(QStringLiteral("historyTitle0")), QStringLiteral("Gambling-side blokeret"));
    QCOMPARE(driver.textOf(QStringLiteral("historySubtitle0")), QStringLiteral("bet365.dk"));
    QVERIFY(!driver.isShown(QStringLiteral("historyEmpty")));
    QVERIFY(!driver.isShown(QStringLiteral("storeMessage")));
    // Newest first, as the server recorded them; good news green, the rest red.
    const QList<QVariantList> events =
        backend.rows(QStringLiteral("SELECT type FROM events ORDER BY id DESC"));
    const QList<QVariantList> kinds = {{"blocked"}, {"milestone"}, {"vpn"}, {"milestone"}, {"milestone"}};
    QCOMPARE(events, kinds);
    const QStringList icons = {"exclamationmark.shield.fill", "star.fill", "network", "star.fill",
                               "star.fill"};
    for (int row = 0; row < icons.size(); ++row) {
        QQuickItem* icon = driver.item(QStringLiteral("historyIcon%1").arg(row));
        QCOMPARE(icon->property("name").toString(), icons[row]);
        const QColor tint = icon->property("color").value<QColor>();
        QCOMPARE(tint.green() > tint.red(), row != 0 && row != 2);
    }
    // The relative's address is masked here as under "Støttenetværk".
    const QString relative = driver.textOf(QStringLiteral("historySubtitle1"));
    QVERIFY2(relative.endsWith(QLatin1String("@example.dk")) && !relative.contains(QLatin1String("sofie")),
             qPrintable(relative));
    // Danish, abbreviated month, short time with a full stop: "6. dec. 2026 04.12".
    const QString time = driver.textOf(QStringLiteral("historyTime0"));
    QVERIFY2(QRegularExpression(QStringLiteral("^\\d{1,2}\\. [a-zæøå]{3}\\. \\d{4} \\d{2}\\.\\d{2}$"))
                 .match(time)
                 .hasMatch(),
             qPrintable(time));
    driver.screenshot(QStringLiteral("settings-history"));

    // Removal: a wrong PIN changes nothing, the right one ends at role selection.
    driver.click(QStringLiteral("section_device"));
    QCOMPARE(driver.textOf(QStringLiteral("computerName")), QStringLiteral("Annas MacBook Air"));
    driver.screenshot(QStringLiteral("settings-device"));
    driver.click(QStringLiteral("openRemoveButton"));
    driver.type(QStringLiteral("removePINField"), QStringLiteral("123"));
    QVERIFY(!driver.item(QStringLiteral("confirmRemoveButton"))->isEnabled());
    driver.type(QStringLiteral("removePINField"), QStringLiteral("9"));
    driver.click(QStringLiteral("confirmRemoveButton"));
    QTRY_COMPARE(driver.textOf(QStringLiteral("storeMessage")), QStringLiteral("Forkert Master PIN."));
    QVERIFY(driver.isShown(QStringLiteral("removeSheetTitle")));
    QVERIFY(QFile::exists(desktop.autostartEntry));
    QCOMPARE(driver.screenName(), QStringLiteral("PlayerDashboard"));
    const QString devices =
        QStringLiteral("SELECT COUNT(*) FROM devices WHERE device_token = '%1'").arg(token);
    QCOMPARE(backend.rows(devices), (QList<QVariantList>{{qint64(1)}}));
    driver.screenshot(QStringLiteral("settings-device-remove-wrong-pin"));

    driver.retype(QStringLiteral("removePINField"), QStringLiteral("1234"));
    driver.click(QStringLiteral("confirmRemoveButton"));
    QTRY_COMPARE(driver.screenName(), QStringLiteral("RoleSelection"));
    QCOMPARE(driver.textOf(QStringLiteral("noticeText")),
             QStringLiteral("Denne computer er fjernet fra din konto."));
    driver.screenshot(QStringLiteral("role-selection-after-removal"));
    QVERIFY(!QFile::exists(desktop.autostartEntry));
    QCOMPARE(backend.rows(devices), (QList<QVariantList>{{qint64(0)}}));
    QCOMPARE(driver.app().session().deviceToken(), token);
    // Neither a check still running as the Mac left nor the next start's check writes anything of
    // the protection back.
    QTRY_VERIFY(!driver.app().dns().isChecking());
    desktop.paths->deliver(NetworkPath{});
    QSignalSpy checks(&driver.app().dns(), &MacDNSProtectionManager::isCheckingChanged);
    driver.app().rootViewModel().rootViewShown();
    QTRY_COMPARE(checks.count(), 2);
    for (const QString& key : AppSession::resetKeys()) {
        const bool allowed = key == preferenceKeys::macRole || key == preferenceKeys::macSetupComplete;
        QVERIFY2(allowed || !driver.preferences().contains(key), qPrintable(key));
    }
    // The notice goes with the next step.
    driver.click(QStringLiteral("chooseRelative"));
    QTRY_VERIFY(!driver.isShown(QStringLiteral("noticeText")));
}

void SettingsDeviceJourneyTest::localLogOutKeepsTheLoginItem() {
    BackendProcess backend;
    InstalledDesktop desktop;
    AppDriver driver(desktop.adapters(), AppDriver::blockedDeployment(backend));
    QVERIFY(driver.started());
    reachDashboard(driver, QStringLiteral("bo@example.dk"), QStringLiteral("529384"));
    const QString token = driver.app().session().deviceToken();

    openSettings(driver, QStringLiteral("device"));
    driver.click(QStringLiteral("localLogOutButton"));
    QTRY_COMPARE(driver.screenName(), QStringLiteral("RoleSelection"));
    QVERIFY(QFile::exists(desktop.autostartEntry));
    QCOMPARE(
        backend.rows(QStringLiteral("SELECT COUNT(*) FROM devices WHERE device_token = '%1'").arg(token)),
        (QList<QVariantList>{{qint64(1)}}));
}

QTEST_MAIN(SettingsDeviceJourneyTest)
#include "SettingsDeviceJourneyTest.moc"
