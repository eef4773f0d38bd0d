#include "AppDriver.h"
#include "InstalledDesktop.h"
#include "PlayerDashboardViewModel.h"
#include "SpendingSettingsViewModel.h"
#include "session/PreferenceKeys.h"

#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QQuickWindow>
#include <QtTest/QtTest>
#include <qcoro/qcorotask.h>

#include <memory>

using namespace molvena;
using namespace molvena::test;

// The settings window, driven on the real window of one player's app against the reference backend:
// the account pages, then this Mac's protection layers, the history, logging out and leaving.
class SettingsJourneyTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void keyboardStaysInsideTheMenuAndTheSettingsWindow();
    void playerManagesTheAccount();
    void protectionAndHistory();
    void logOutKeepsTheMacAndRemovalEndsIt();
    void cleanupTestCase();

private:
    QObject* page();
    QString playersColumn(const QString& column);
    QList<QVariantList> devices();

    std::unique_ptr<BackendProcess> m_backend;
    InstalledDesktop m_desktop;
    std::unique_ptr<AppDriver> m_driver;
    const QString m_email = QStringLiteral("anna@example.dk");
    const QString m_code = QStringLiteral("482913");
};

void SettingsJourneyTest::initTestCase() {
    m_backend = std::make_unique<BackendProcess>();
    // Chrome's settings cannot be read (a folder where its file belongs).
    QVERIFY(QDir().mkpath(m_desktop.folder.filePath(QStringLiteral("config/google-chrome/Local State"))));
    PlatformAdapters adapters = m_desktop.adapters();
    // The system's own web-protection step: on Linux its sheet offers the removal (not pressed here).
    adapters.webProtection = InstalledDesktop::refusingWebProtection();
    m_driver = std::make_unique<AppDriver>(std::move(adapters), AppDriver::blockedDeployment(*m_backend));
    QVERIFY(m_driver->started());
    // A player who once had the three layers in place goes straight to the dashboard.
    m_driver->preferences().setValue(preferenceKeys::hasEverActivatedMacProtection, true);
    m_driver->signInAsPlayer(m_email, m_code);
    QTRY_COMPARE(m_driver->screenName(), QStringLiteral("PlayerDashboard"));
}

void SettingsJourneyTest::keyboardStaysInsideTheMenuAndTheSettingsWindow() {
    AppDriver& driver = *m_driver;
    // The menu: Escape closes it and hands the focus back to its button; so does a click outside.
    driver.click(QStringLiteral("headerMenuButton"));
    QTRY_VERIFY(driver.isShown(QStringLiteral("headerMenu")));
    driver.key(Qt::Key_Escape);
    QTRY_VERIFY(!driver.isShown(QStringLiteral("headerMenu")));
    QCOMPARE(driver.focusedName(), QStringLiteral("Menu"));
    driver.click(QStringLiteral("headerMenuButton"));
    QTRY_VERIFY(driver.isShown(QStringLiteral("headerMenu")));
    QTest::mouseClick(&driver.window(), Qt::LeftButton, {}, QPoint(20, driver.window().height() - 20));
    QTRY_VERIFY(!driver.isShown(QStringLiteral("headerMenu")));

    // The settings window: Tab and Shift+Tab go round its own controls only; Escape closes it.
    driver.openSettings();
    QQuickItem* settings = driver.item(QStringLiteral("settingsWindow"));
    QSet<QString> reached;
    for (int presses = 0; presses < 40; ++presses) {
        driver.key(presses < 20 ? Qt::Key_Tab : Qt::Key_Backtab);
        QQuickItem* focused = driver.window().activeFocusItem();
        QVERIFY2(focused && settings->isAncestorOf(focused), qPrintable(driver.focusedName()));
        reached.insert(driver.focusedName());
    }
    QVERIFY(reached.contains(QStringLiteral("Luk indstillinger")));
    QVERIFY(reached.contains(QStringLiteral("Støttenetværk")));
    driver.key(Qt::Key_Escape);
    QTRY_VERIFY(!driver.isShown(QStringLiteral("settingsWindow")));
}

void SettingsJourneyTest::protectionAndHistory() {
    AppDriver& driver = *m_driver;
    BackendProcess& backend = *m_backend;
    InstalledDesktop& desktop = m_desktop;
    driver.app().launchAtLogin().enable();
    const QString token = driver.app().session().deviceToken();
    const auto reports = [&](const QString& source) {
        return backend.rows(QStringLiteral("SELECT dns_active, vpn_active FROM device_reports WHERE "
                                           "device_token = '%1' AND source = '%2'")
                                .arg(token, source));
    };

    // All three layers hold: green tiles, and a check reports them.
    driver.openSettings(QStringLiteral("protection"));
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
    driver.clickThenRead(QStringLiteral("section_history"), QStringLiteral("storeMessage"),
                         QStringLiteral("Der kunne ikke oprettes forbindelse til serveren."));
    QVERIFY(!driver.isShown(QStringLiteral("historyEmpty")));
    driver.screenshot(QStringLiteral("settings-history-empty-error"));
    backend.start();
    // The monitor's alert about the tunnel, a relative who paired, and a blocked site reported by
    // this Mac.
    (void)QCoro::waitFor(driver.app().api().sendNotification(token, QStringLiteral("blocked_site"),
                                                             QStringLiteral("bet365.dk")));
    driver.clickThenRead(QStringLiteral("refreshHistoryButton"), QStringLiteral("historyTitle0"),
                         QStringLiteral("Gambling-side blokeret"));
    QCOMPARE(driver.textOf(QStringLiteral("historySubtitle0")), QStringLiteral("bet365.dk"));
    QVERIFY(!driver.isShown(QStringLiteral("historyEmpty")));
    QVERIFY(!driver.isShown(QStringLiteral("storeMessage")));
    // Newest first, as the server recorded them; good news green, the rest red.
    const QList<QVariantList> events =
        backend.rows(QStringLiteral("SELECT type FROM events ORDER BY id DESC"));
    const QList<QVariantList> kinds = {{"blocked"},   {"vpn"},        {"milestone"},
                                       {"milestone"}, {"protection"}, {"milestone"}};
    QCOMPARE(events, kinds);
    const QStringList icons = {"exclamationmark.shield.fill", "network",  "star.fill", "star.fill",
                               "shield.lefthalf.filled",      "star.fill"};
    for (int row = 0; row < icons.size(); ++row) {
        QQuickItem* icon = driver.item(QStringLiteral("historyIcon%1").arg(row));
        QCOMPARE(icon->property("name").toString(), icons[row]);
        const QColor tint = icon->property("color").value<QColor>();
        QCOMPARE(tint.green() > tint.red(), kinds[row][0] == QStringLiteral("milestone"));
    }
    // The relative's address is masked here as under "Støttenetværk".
    const QString relative = driver.textOf(QStringLiteral("historySubtitle3"));
    QVERIFY2(relative.endsWith(QLatin1String("@example.dk")) && !relative.contains(QLatin1String("bodil")),
             qPrintable(relative));
    // Danish, abbreviated month, short time with a full stop: "6. dec. 2026 04.12".
    const QString time = driver.textOf(QStringLiteral("historyTime0"));
    QVERIFY2(QRegularExpression(QStringLiteral("^\\d{1,2}\\. [a-zæøå]{3}\\. \\d{4} \\d{2}\\.\\d{2}$"))
                 .match(time)
                 .hasMatch(),
             qPrintable(time));
    driver.screenshot(QStringLiteral("settings-history"));
}

void SettingsJourneyTest::logOutKeepsTheMacAndRemovalEndsIt() {
    AppDriver& driver = *m_driver;
    const QString token = driver.app().session().deviceToken();
    // Logging out here leaves the backend's device and the login item as they are.
    driver.click(QStringLiteral("section_device"));
    driver.go(QStringLiteral("localLogOutButton"), QStringLiteral("RoleSelection"));
    QVERIFY(QFile::exists(m_desktop.autostartEntry));
    QCOMPARE(devices(), (QList<QVariantList>{{qint64(1)}}));
    driver.preferences().setValue(preferenceKeys::hasEverActivatedMacProtection, true);
    driver.app().session().selectRole(UserRole::player);
    driver.app().session().completeSetup();
    QTRY_COMPARE(driver.screenName(), QStringLiteral("PlayerDashboard"));

    // Removal: a wrong PIN changes nothing, the right one ends at role selection.
    driver.openSettings(QStringLiteral("device"));
    QCOMPARE(driver.textOf(QStringLiteral("computerName")), QStringLiteral("Annas MacBook Air"));
    driver.screenshot(QStringLiteral("settings-device"));
    driver.click(QStringLiteral("openRemoveButton"));
    driver.type(QStringLiteral("removePINField"), QStringLiteral("123"));
    QVERIFY(!driver.item(QStringLiteral("confirmRemoveButton"))->isEnabled());
    driver.type(QStringLiteral("removePINField"), QStringLiteral("4"));
    driver.clickThenRead(QStringLiteral("confirmRemoveButton"), QStringLiteral("storeMessage"),
                         QStringLiteral("Forkert Master PIN."));
    QVERIFY(driver.isShown(QStringLiteral("removeSheetTitle")));
    QVERIFY(QFile::exists(m_desktop.autostartEntry));
    QCOMPARE(driver.screenName(), QStringLiteral("PlayerDashboard"));
    QCOMPARE(devices(), (QList<QVariantList>{{qint64(1)}}));
    driver.screenshot(QStringLiteral("settings-device-remove-wrong-pin"));

    driver.retype(QStringLiteral("removePINField"), QStringLiteral("4321"));
    driver.go(QStringLiteral("confirmRemoveButton"), QStringLiteral("RoleSelection"));
    QCOMPARE(driver.textOf(QStringLiteral("noticeText")),
             QStringLiteral("Denne Mac er fjernet fra din konto."));
    driver.screenshot(QStringLiteral("role-selection-after-removal"));
    QVERIFY(!QFile::exists(m_desktop.autostartEntry));
    QCOMPARE(devices(), (QList<QVariantList>{{qint64(0)}}));
    QCOMPARE(driver.app().session().deviceToken(), token);
    // Neither a check still running as the Mac left nor the next start's check writes anything of
    // the protection back.
    QTRY_VERIFY(!driver.app().dns().isChecking());
    m_desktop.paths->deliver(NetworkPath{});
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

void SettingsJourneyTest::cleanupTestCase() {
    m_driver.reset();
    m_backend.reset();
}

QObject* SettingsJourneyTest::page() {
    auto* dashboard = qobject_cast<PlayerDashboardViewModel*>(m_driver->app().rootViewModel().screenModel());
    return dashboard && dashboard->settings() ? dashboard->settings()->pageModel() : nullptr;
}

QString SettingsJourneyTest::playersColumn(const QString& column) {
    const QList<QVariantList> rows =
        m_backend->rows(QStringLiteral("SELECT %1 FROM players WHERE email = '%2'").arg(column, m_email));
    return rows.size() == 1 ? rows[0][0].toString() : QStringLiteral("<%1 rows>").arg(rows.size());
}

QList<QVariantList> SettingsJourneyTest::devices() {
    return m_backend->rows(QStringLiteral("SELECT COUNT(*) FROM devices WHERE device_token = '%1'")
                               .arg(m_driver->app().session().deviceToken()));
}

void SettingsJourneyTest::playerManagesTheAccount() {
    AppDriver& driver = *m_driver;
    AppSession& session = driver.app().session();

    // "Din konto" from the header menu, with the server's values.
    driver.click(QStringLiteral("headerMenuButton"));
    driver.clickThenRead(QStringLiteral("menuSettings"), QStringLiteral("accountEmail"), m_email);
    QCOMPARE(driver.textOf(QStringLiteral("accountName")), QStringLiteral("Anna Jensen"));
    QCOMPARE(driver.textOf(QStringLiteral("accountPairingCode")), QStringLiteral("482 913"));
    QCOMPARE(driver.textOf(QStringLiteral("accountDays")), QStringLiteral("3"));
    driver.screenshot(QStringLiteral("settings-account"));

    // "Støttenetværk": nobody paired yet, no contacts.
    driver.click(QStringLiteral("section_support"));
    QTRY_VERIFY(driver.isShown(QStringLiteral("noSupportRelatives")));
    QVERIFY(!driver.isShown(QStringLiteral("relativesSpinner")));
    QVERIFY(driver.isShown(QStringLiteral("noContacts")));
    QCOMPARE(driver.textOf(QStringLiteral("supportPairingCode")), QStringLiteral("482 913"));
    driver.click(QStringLiteral("copyCodeButton"));
    QCOMPARE(QGuiApplication::clipboard()->text(), m_code);
    QCOMPARE(driver.textOf(QStringLiteral("copyCodeButton")), QStringLiteral("Kopieret"));
    driver.screenshot(QStringLiteral("settings-support-empty"));
    QTRY_COMPARE_WITH_TIMEOUT(driver.textOf(QStringLiteral("copyCodeButton")), QStringLiteral("Kopiér"),
                              2500);

    // A contact is added without a PIN, once it has a name and a phone number of more than blanks.
    driver.click(QStringLiteral("toggleAddContact"));
    driver.type(QStringLiteral("contactNameField"), QStringLiteral("   "));
    driver.type(QStringLiteral("contactPhoneField"), QStringLiteral("+45 12 34 56 78"));
    QVERIFY(!driver.item(QStringLiteral("saveContactButton"))->isEnabled());
    driver.retype(QStringLiteral("contactNameField"), QStringLiteral("Mette"));
    driver.retype(QStringLiteral("contactPhoneField"), QStringLiteral(" "));
    QVERIFY(!driver.item(QStringLiteral("saveContactButton"))->isEnabled());
    driver.retype(QStringLiteral("contactPhoneField"), QStringLiteral("+45 12 34 56 78"));
    driver.screenshot(QStringLiteral("settings-support-add-form"));
    driver.clickThenRead(QStringLiteral("saveContactButton"), QStringLiteral("storeMessage"),
                         QStringLiteral("Dit støttenetværk er opdateret."));
    QCOMPARE(playersColumn(QStringLiteral("support_contacts")), QStringLiteral("Mette::+45 12 34 56 78"));
    QTRY_COMPARE(driver.textOf(QStringLiteral("contactName0")), QStringLiteral("Mette"));
    QCOMPARE(driver.textOf(QStringLiteral("contactPhone0")), QStringLiteral("+45 12 34 56 78"));
    QTRY_VERIFY(!driver.isShown(QStringLiteral("contactNameField")));
    QCOMPARE(driver.textOf(QStringLiteral("toggleAddContact")), QStringLiteral("Tilføj kontakt"));
    driver.screenshot(QStringLiteral("settings-support-contact-added"));

    // A phone of only a line break passes the button and is refused by the store; the form stays.
    driver.click(QStringLiteral("toggleAddContact"));
    QCOMPARE(driver.textOf(QStringLiteral("contactNameField")), QString());
    driver.type(QStringLiteral("contactNameField"), QStringLiteral("Bo"));
    page()->setProperty("newPhone", QStringLiteral("\n"));
    driver.clickThenRead(QStringLiteral("saveContactButton"), QStringLiteral("storeMessage"),
                         QStringLiteral("Skriv både navn og telefonnummer."));
    QCOMPARE(driver.textOf(QStringLiteral("contactNameField")), QStringLiteral("Bo"));
    QCOMPARE(playersColumn(QStringLiteral("support_contacts")), QStringLiteral("Mette::+45 12 34 56 78"));
    driver.screenshot(QStringLiteral("settings-support-add-refused"));
    driver.click(QStringLiteral("toggleAddContact"));

    // Removing asks for the PIN; a wrong one is the backend's to refuse and the sheet stays.
    driver.click(QStringLiteral("removeContact0"));
    QCOMPARE(driver.textOf(QStringLiteral("removalTitle")), QStringLiteral("Fjern Mette?"));
    QVERIFY(!driver.isShown(QStringLiteral("storeMessage"))); // the refused contact's word stays behind
    driver.type(QStringLiteral("removalPINField"), QStringLiteral("999"));
    QVERIFY(!driver.item(QStringLiteral("confirmRemovalButton"))->isEnabled());
    driver.type(QStringLiteral("removalPINField"), QStringLiteral("9"));
    driver.clickThenRead(QStringLiteral("confirmRemovalButton"), QStringLiteral("storeMessage"),
                         QStringLiteral("Forkert Master PIN."));
    QVERIFY(driver.isShown(QStringLiteral("removalTitle")));
    QTRY_COMPARE(driver.textOf(QStringLiteral("confirmRemovalButton")), QStringLiteral("Fjern kontakt"));
    driver.screenshot(QStringLiteral("settings-support-removal-wrong-pin"));
    QCOMPARE(playersColumn(QStringLiteral("support_contacts")), QStringLiteral("Mette::+45 12 34 56 78"));
    driver.retype(QStringLiteral("removalPINField"), QStringLiteral("1234"));
    driver.click(QStringLiteral("confirmRemovalButton"));
    QTRY_VERIFY(!driver.isShown(QStringLiteral("removalTitle")));
    QCOMPARE(playersColumn(QStringLiteral("support_contacts")), QString());
    QTRY_VERIFY(driver.isShown(QStringLiteral("noContacts")));
    QCOMPARE(driver.textOf(QStringLiteral("storeMessage")),
             QStringLiteral("Dit støttenetværk er opdateret."));

    // "Master PIN": a message of one page does not follow to another.
    driver.click(QStringLiteral("section_pin"));
    QVERIFY(!driver.isShown(QStringLiteral("storeMessage")));
    driver.type(QStringLiteral("currentPINField"), QStringLiteral("000"));
    driver.type(QStringLiteral("newPINField"), QStringLiteral("4321"));
    QVERIFY(!driver.isShown(QStringLiteral("pinMismatch"))); // nothing repeated yet
    driver.type(QStringLiteral("confirmPINField"), QStringLiteral("4321"));
    QVERIFY(!driver.item(QStringLiteral("savePINButton"))->isEnabled()); // the current PIN has three digits
    driver.type(QStringLiteral("currentPINField"), QStringLiteral("0"));
    driver.retype(QStringLiteral("confirmPINField"), QStringLiteral("4320"));
    QVERIFY(driver.isShown(QStringLiteral("pinMismatch")));
    QVERIFY(!driver.item(QStringLiteral("savePINButton"))->isEnabled());
    driver.screenshot(QStringLiteral("settings-pin-mismatch"));
    driver.retype(QStringLiteral("confirmPINField"), QStringLiteral("4321"));
    QVERIFY(!driver.isShown(QStringLiteral("pinMismatch")));
    driver.clickThenRead(QStringLiteral("savePINButton"), QStringLiteral("storeMessage"),
                         QStringLiteral("Forkert Master PIN."));
    QCOMPARE(page()->property("newPIN").toString(), QStringLiteral("4321"));
    QCOMPARE(playersColumn(QStringLiteral("master_pin")), QStringLiteral("1234"));
    driver.screenshot(QStringLiteral("settings-pin-wrong"));
    driver.retype(QStringLiteral("currentPINField"), QStringLiteral("1234"));
    driver.clickThenRead(QStringLiteral("savePINButton"), QStringLiteral("storeMessage"),
                         QStringLiteral("Din Master PIN er opdateret."));
    QCOMPARE(playersColumn(QStringLiteral("master_pin")), QStringLiteral("4321"));
    QCOMPARE(session.masterPIN(), QStringLiteral("4321"));
    // The fields empty once the store's reload after the change is done.
    QTRY_COMPARE(page()->property("currentPIN").toString(), QString());
    driver.screenshot(QStringLiteral("settings-pin-saved"));

    // "Månedligt forbrug": the stored amount, then a Danish-formatted one, then one out of bounds.
    driver.click(QStringLiteral("section_spending"));
    QCOMPARE(driver.textOf(QStringLiteral("amountField")), QStringLiteral("500"));
    // Danish thousands separators are dropped, a comma too; what is no whole number keeps the button off.
    QCOMPARE(SpendingSettingsViewModel::parseAmount(QStringLiteral("1.234,567")), 1234567);
    for (const char* typed : {"", "abc", "-", "1 000", "99999999999999999999"}) {
        driver.retype(QStringLiteral("amountField"), QString::fromLatin1(typed));
        QVERIFY2(!driver.item(QStringLiteral("saveAmountButton"))->isEnabled(), typed);
    }
    driver.retype(QStringLiteral("amountField"), QStringLiteral("12.500"));
    driver.clickThenRead(QStringLiteral("saveAmountButton"), QStringLiteral("storeMessage"),
                         QStringLiteral("Dit månedlige beløb er gemt."));
    QCOMPARE(playersColumn(QStringLiteral("monthly_spend_dkk")), QStringLiteral("12500"));
    QCOMPARE(session.monthlySpendDKK(), 12500.0);
    driver.screenshot(QStringLiteral("settings-spending-saved"));
    driver.retype(QStringLiteral("amountField"), QStringLiteral("-5"));
    driver.clickThenRead(QStringLiteral("saveAmountButton"), QStringLiteral("storeMessage"),
                         QStringLiteral("Beløbet er uden for det tilladte interval."));
    QCOMPARE(playersColumn(QStringLiteral("monthly_spend_dkk")), QStringLiteral("12500"));
    driver.screenshot(QStringLiteral("settings-spending-refused"));

    // Closing and reopening from the banner: the window refreshes its own list of relatives.
    driver.closeSettings();
    (void)QCoro::waitFor(driver.app().api().pairRelative(m_code, QStringLiteral("bodil@example.dk")));
    driver.openSettings(QStringLiteral("support"));
    QTRY_COMPARE(driver.textOf(QStringLiteral("settingsRelative0")), QStringLiteral("bo•••@example.dk"));
    QVERIFY(!driver.isShown(QStringLiteral("noSupportRelatives")));
    // The last window's outcome stays with it.
    QVERIFY(!driver.isShown(QStringLiteral("storeMessage")));
    driver.screenshot(QStringLiteral("settings-support-relatives"));
    driver.closeSettings();

    // The banner (automatic start is not on yet) opens the window at its section.
    QCOMPARE(driver.textOf(QStringLiteral("bannerButton")), QStringLiteral("Gå til beskyttelse"));
    driver.click(QStringLiteral("bannerButton"));
    QTRY_VERIFY(driver.isShown(QStringLiteral("settingsWindow")));
    QVERIFY(driver.item(QStringLiteral("section_protection"))->property("selected").toBool());
    driver.screenshot(QStringLiteral("settings-from-banner"));
    driver.closeSettings();
}

QTEST_MAIN(SettingsJourneyTest)
#include "SettingsJourneyTest.moc"
