#include "AppDriver.h"
#include "InstalledDesktop.h"
#include "PlayerDashboardViewModel.h"
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
using namespace Qt::StringLiterals;

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
    const QString m_email = u"anna@example.dk"_s;
    const QString m_code = u"482913"_s;
};

void SettingsJourneyTest::initTestCase() {
    m_backend = std::make_unique<BackendProcess>();
    // Chrome's settings cannot be read (a folder where its file belongs).
    QVERIFY(QDir().mkpath(m_desktop.folder.filePath(u"config/google-chrome/Local State"_s)));
    PlatformAdapters adapters = m_desktop.adapters();
    // The system's own web-protection step: on Linux its sheet offers the removal (not pressed here).
    adapters.webProtection = InstalledDesktop::refusingWebProtection();
    m_driver = std::make_unique<AppDriver>(std::move(adapters), AppDriver::blockedDeployment(*m_backend));
    QVERIFY(m_driver->started());
    // A player who once had the three layers in place goes straight to the dashboard.
    m_driver->preferences().setValue(preferenceKeys::hasEverActivatedMacProtection, true);
    m_driver->signInAsPlayer(m_email, m_code);
    QTRY_COMPARE(m_driver->screenName(), u"PlayerDashboard"_s);
}

void SettingsJourneyTest::keyboardStaysInsideTheMenuAndTheSettingsWindow() {
    AppDriver& driver = *m_driver;
    // The menu: Escape closes it and hands the focus back to its button; so does a click outside.
    driver.click(u"headerMenuButton"_s);
    QTRY_VERIFY(driver.isShown(u"headerMenu"_s));
    driver.key(Qt::Key_Escape);
    QTRY_VERIFY(!driver.isShown(u"headerMenu"_s));
    QCOMPARE(driver.focusedName(), u"Menu"_s);
    driver.click(u"headerMenuButton"_s);
    QTRY_VERIFY(driver.isShown(u"headerMenu"_s));
    QTest::mouseClick(&driver.window(), Qt::LeftButton, {}, QPoint(20, driver.window().height() - 20));
    QTRY_VERIFY(!driver.isShown(u"headerMenu"_s));

    // The settings window: Tab and Shift+Tab go round its own controls only; Escape closes it.
    driver.openSettings();
    QQuickItem* settings = driver.item(u"settingsWindow"_s);
    QSet<QString> reached;
    for (int presses = 0; presses < 40; ++presses) {
        driver.key(presses < 20 ? Qt::Key_Tab : Qt::Key_Backtab);
        QQuickItem* focused = driver.window().activeFocusItem();
        QVERIFY2(focused && settings->isAncestorOf(focused), qPrintable(driver.focusedName()));
        reached.insert(driver.focusedName());
    }
    QVERIFY(reached.contains(u"Luk indstillinger"_s));
    QVERIFY(reached.contains(u"Støttenetværk"_s));
    driver.key(Qt::Key_Escape);
    QTRY_VERIFY(!driver.isShown(u"settingsWindow"_s));
}

void SettingsJourneyTest::protectionAndHistory() {
    AppDriver& driver = *m_driver;
    driver.app().launchAtLogin().enable();
    const QString token = driver.app().session().deviceToken();
    const auto reports = [&](const QString& source) {
        return m_backend->rows(QStringLiteral("SELECT dns_active, vpn_active FROM device_reports WHERE "
                                              "device_token = '%1' AND source = '%2'")
                                   .arg(token, source));
    };

    // All three layers hold: green tiles, and a check reports them.
    driver.openSettings(u"protection"_s);
    QTRY_COMPARE(driver.textOf(u"layerStatus_login"_s), u"Aktiveret"_s);
    QCOMPARE(driver.item(u"layerMark_web"_s)->property("name").toString(), u"checkmark.circle.fill"_s);
    QVERIFY(!driver.isShown(u"vpnWarningCard"_s));
    QVERIFY(!driver.isShown(u"openNetworkSettingsButton"_s));
    QTRY_COMPARE(driver.textOf(u"browserNotCheckedTitle"_s), u"Kunne ikke kontrollere Google Chrome"_s);
    QCOMPARE(driver.textOf(u"browserNotCheckedReason"_s), u"Indstillingsfilen kunne ikke læses."_s);
    QVERIFY(!driver.isShown(u"browserBypassCard"_s));
    driver.screenshot(u"settings-protection"_s);
    driver.click(u"checkProtectionButton"_s);
    QTRY_COMPARE(reports(u"settings_refresh"_s), (QList<QVariantList>{{qint64(1), qint64(0)}}));
    QTRY_COMPARE(driver.textOf(u"checkProtectionButton"_s), u"Kontrollér beskyttelsen"_s);

    // A tunnel comes up: the page warns, and the check leaves the probes alone but still reports.
    m_desktop.paths->deliver(NetworkPath{.usesOtherInterface = true, .otherInterfaceNames = {u"utun4"_s}});
    QTRY_VERIFY(driver.isShown(u"vpnWarningCard"_s));
    QCOMPARE(driver.textOf(u"layerStatus_vpn"_s), u"VPN registreret"_s);
    QCOMPARE(driver.item(u"layerMark_vpn"_s)->property("name").toString(), u"exclamationmark.circle.fill"_s);
    const QDateTime lastProbe = driver.app().dns().lastCheckAt().value_or(QDateTime());
    driver.click(u"checkProtectionButton"_s);
    QTRY_COMPARE(reports(u"settings_refresh"_s).size(), 2);
    QCOMPARE(reports(u"settings_refresh"_s).last(), (QVariantList{qint64(1), qint64(1)}));
    QCOMPARE(driver.app().dns().lastCheckAt().value_or(QDateTime()), lastProbe);
    driver.screenshot(u"settings-protection-vpn"_s);
    driver.click(u"vpnWarningButton"_s);
    driver.click(u"openNetworkSettingsButton"_s);
    QCOMPARE(m_desktop.workspace->openedURLs.size() + m_desktop.workspace->openedApplications.size(), 2);

    // The profile sheet opens over the window.
    driver.click(u"reinstallWebProtectionButton"_s);
    QTRY_VERIFY(driver.isShown(u"profileSheetTitle"_s));
    QVERIFY(driver.isShown(u"protectionRemoveButton"_s));
    driver.screenshot(u"settings-profile-sheet-linux"_s);
    driver.click(u"profileDoneButton"_s);
    QTRY_VERIFY(!driver.isShown(u"profileSheetTitle"_s));

    // The history, first with the backend away: nothing to show and why.
    m_backend->stop();
    driver.clickThenRead(u"section_history"_s, u"storeMessage"_s,
                         u"Der kunne ikke oprettes forbindelse til serveren."_s);
    QVERIFY(!driver.isShown(u"historyEmpty"_s));
    driver.screenshot(u"settings-history-empty-error"_s);
    m_backend->start();
    // The monitor's alert about the tunnel, a relative who paired, and a blocked site reported by
    // this Mac.
    (void)QCoro::waitFor(driver.app().api().sendNotification(token, u"blocked_site"_s, u"bet365.dk"_s));
    driver.clickThenRead(u"refreshHistoryButton"_s, u"historyTitle0"_s, u"Gambling-side blokeret"_s);
    QCOMPARE(driver.textOf(u"historySubtitle0"_s), u"bet365.dk"_s);
    QVERIFY(!driver.isShown(u"historyEmpty"_s));
    QVERIFY(!driver.isShown(u"storeMessage"_s));
    // Newest first, as the server recorded them; good news green, the rest red.
    const QList<QVariantList> events = m_backend->rows(u"SELECT type FROM events ORDER BY id DESC"_s);
    const QList<QVariantList> kinds = {{"blocked"},   {"vpn"},        {"milestone"},
                                       {"milestone"}, {"protection"}, {"milestone"}};
    QCOMPARE(events, kinds);
    const QStringList icons = {"exclamationmark.shield.fill", "network",  "star.fill", "star.fill",
                               "shield.lefthalf.filled",      "star.fill"};
    for (int row = 0; row < icons.size(); ++row) {
        QQuickItem* icon = driver.item(u"historyIcon%1"_s.arg(row));
        QCOMPARE(icon->property("name").toString(), icons[row]);
        const QColor tint = icon->property("color").value<QColor>();
        QCOMPARE(tint.green() > tint.red(), kinds[row][0] == u"milestone"_s);
    }
    // The relative's address is masked here as under "Støttenetværk".
    const QString relative = driver.textOf(u"historySubtitle3"_s);
    QVERIFY2(relative.endsWith(QLatin1String("@example.dk")) && !relative.contains(QLatin1String("bodil")),
             qPrintable(relative));
    // Danish, abbreviated month, short time with a full stop: "6. dec. 2026 04.12".
    const QString time = driver.textOf(u"historyTime0"_s);
    QVERIFY2(
        QRegularExpression(u"^\\d{1,2}\\. [a-zæøå]{3}\\. \\d{4} \\d{2}\\.\\d{2}$"_s).match(time).hasMatch(),
        qPrintable(time));
    driver.screenshot(u"settings-history"_s);
}

void SettingsJourneyTest::logOutKeepsTheMacAndRemovalEndsIt() {
    AppDriver& driver = *m_driver;
    const QString token = driver.app().session().deviceToken();
    // Logging out here leaves the backend's device and the login item as they are.
    driver.click(u"section_device"_s);
    driver.go(u"localLogOutButton"_s, u"RoleSelection"_s);
    QVERIFY(QFile::exists(m_desktop.autostartEntry));
    QCOMPARE(devices(), (QList<QVariantList>{{qint64(1)}}));
    driver.preferences().setValue(preferenceKeys::hasEverActivatedMacProtection, true);
    driver.app().session().selectRole(UserRole::player);
    driver.app().session().completeSetup();
    QTRY_COMPARE(driver.screenName(), u"PlayerDashboard"_s);

    // Removal: a wrong PIN changes nothing, the right one ends at role selection.
    driver.openSettings(u"device"_s);
    QCOMPARE(driver.textOf(u"computerName"_s), u"Annas MacBook Air"_s);
    driver.screenshot(u"settings-device"_s);
    driver.click(u"openRemoveButton"_s);
    driver.type(u"removePINField"_s, u"123"_s);
    QVERIFY(!driver.item(u"confirmRemoveButton"_s)->isEnabled());
    driver.type(u"removePINField"_s, u"4"_s);
    driver.clickThenRead(u"confirmRemoveButton"_s, u"storeMessage"_s, u"Forkert Master PIN."_s);
    QVERIFY(driver.isShown(u"removeSheetTitle"_s));
    QVERIFY(QFile::exists(m_desktop.autostartEntry));
    QCOMPARE(driver.screenName(), u"PlayerDashboard"_s);
    QCOMPARE(devices(), (QList<QVariantList>{{qint64(1)}}));
    driver.screenshot(u"settings-device-remove-wrong-pin"_s);

    driver.retype(u"removePINField"_s, u"4321"_s);
    driver.go(u"confirmRemoveButton"_s, u"RoleSelection"_s);
    QCOMPARE(driver.textOf(u"noticeText"_s), u"Denne computer er fjernet fra din konto."_s);
    driver.screenshot(u"role-selection-after-removal"_s);
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
    driver.click(u"chooseRelative"_s);
    QTRY_VERIFY(!driver.isShown(u"noticeText"_s));
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
        m_backend->rows(u"SELECT %1 FROM players WHERE email = '%2'"_s.arg(column, m_email));
    return rows.size() == 1 ? rows[0][0].toString() : u"<%1 rows>"_s.arg(rows.size());
}

QList<QVariantList> SettingsJourneyTest::devices() {
    return m_backend->rows(u"SELECT COUNT(*) FROM devices WHERE device_token = '%1'"_s.arg(
        m_driver->app().session().deviceToken()));
}

void SettingsJourneyTest::playerManagesTheAccount() {
    AppDriver& driver = *m_driver;
    AppSession& session = driver.app().session();

    // "Din konto" from the header menu, with the server's values.
    driver.click(u"headerMenuButton"_s);
    driver.clickThenRead(u"menuSettings"_s, u"accountEmail"_s, m_email);
    QCOMPARE(driver.textOf(u"accountName"_s), u"Anna Jensen"_s);
    QCOMPARE(driver.textOf(u"accountPairingCode"_s), u"482 913"_s);
    QCOMPARE(driver.textOf(u"accountDays"_s), u"3"_s);
    driver.screenshot(u"settings-account"_s);

    // "Støttenetværk": nobody paired yet, no contacts.
    driver.click(u"section_support"_s);
    QTRY_VERIFY(driver.isShown(u"noSupportRelatives"_s));
    QVERIFY(!driver.isShown(u"relativesSpinner"_s));
    QVERIFY(driver.isShown(u"noContacts"_s));
    QCOMPARE(driver.textOf(u"supportPairingCode"_s), u"482 913"_s);
    driver.click(u"copyCodeButton"_s);
    QCOMPARE(QGuiApplication::clipboard()->text(), m_code);
    QCOMPARE(driver.textOf(u"copyCodeButton"_s), u"Kopieret"_s);
    driver.screenshot(u"settings-support-empty"_s);

    // A contact is added without a PIN, once it has a name and a phone number of more than blanks.
    driver.click(u"toggleAddContact"_s);
    driver.type(u"contactNameField"_s, u"Mette"_s);
    driver.type(u"contactPhoneField"_s, u" "_s);
    QVERIFY(!driver.item(u"saveContactButton"_s)->isEnabled());
    driver.retype(u"contactPhoneField"_s, u"+45 12 34 56 78"_s);
    driver.screenshot(u"settings-support-add-form"_s);
    driver.clickThenRead(u"saveContactButton"_s, u"storeMessage"_s, u"Dit støttenetværk er opdateret."_s);
    QCOMPARE(playersColumn(u"support_contacts"_s), u"Mette::+45 12 34 56 78"_s);
    QTRY_COMPARE(driver.textOf(u"contactName0"_s), u"Mette"_s);
    QCOMPARE(driver.textOf(u"contactPhone0"_s), u"+45 12 34 56 78"_s);
    QTRY_VERIFY(!driver.isShown(u"contactNameField"_s));
    QCOMPARE(driver.textOf(u"toggleAddContact"_s), u"Tilføj kontakt"_s);
    driver.screenshot(u"settings-support-contact-added"_s);

    // Removing asks for the PIN; a wrong one is the backend's to refuse and the sheet stays.
    driver.click(u"removeContact0"_s);
    QCOMPARE(driver.textOf(u"removalTitle"_s), u"Fjern Mette?"_s);
    driver.type(u"removalPINField"_s, u"999"_s);
    QVERIFY(!driver.item(u"confirmRemovalButton"_s)->isEnabled());
    driver.type(u"removalPINField"_s, u"9"_s);
    driver.clickThenRead(u"confirmRemovalButton"_s, u"storeMessage"_s, u"Forkert Master PIN."_s);
    QVERIFY(driver.isShown(u"removalTitle"_s));
    QTRY_COMPARE(driver.textOf(u"confirmRemovalButton"_s), u"Fjern kontakt"_s);
    driver.screenshot(u"settings-support-removal-wrong-pin"_s);
    QCOMPARE(playersColumn(u"support_contacts"_s), u"Mette::+45 12 34 56 78"_s);
    driver.retype(u"removalPINField"_s, u"1234"_s);
    driver.click(u"confirmRemovalButton"_s);
    QTRY_VERIFY(!driver.isShown(u"removalTitle"_s));
    QCOMPARE(playersColumn(u"support_contacts"_s), QString());
    QTRY_VERIFY(driver.isShown(u"noContacts"_s));
    QCOMPARE(driver.textOf(u"storeMessage"_s), u"Dit støttenetværk er opdateret."_s);

    // "Master PIN", as a screen reader picks it: a message of one page does not follow to another.
    driver.press(u"section_pin"_s);
    QVERIFY(!driver.isShown(u"storeMessage"_s));
    driver.type(u"currentPINField"_s, u"000"_s);
    driver.type(u"newPINField"_s, u"4321"_s);
    QVERIFY(!driver.isShown(u"pinMismatch"_s)); // nothing repeated yet
    driver.type(u"confirmPINField"_s, u"4321"_s);
    QVERIFY(!driver.item(u"savePINButton"_s)->isEnabled()); // the current PIN has three digits
    driver.type(u"currentPINField"_s, u"0"_s);
    driver.retype(u"confirmPINField"_s, u"4320"_s);
    QVERIFY(driver.isShown(u"pinMismatch"_s));
    QVERIFY(!driver.item(u"savePINButton"_s)->isEnabled());
    driver.screenshot(u"settings-pin-mismatch"_s);
    driver.retype(u"confirmPINField"_s, u"4321"_s);
    QVERIFY(!driver.isShown(u"pinMismatch"_s));
    driver.clickThenRead(u"savePINButton"_s, u"storeMessage"_s, u"Forkert Master PIN."_s);
    QCOMPARE(page()->property("newPIN").toString(), u"4321"_s);
    QCOMPARE(playersColumn(u"master_pin"_s), u"1234"_s);
    driver.screenshot(u"settings-pin-wrong"_s);
    driver.retype(u"currentPINField"_s, u"1234"_s);
    driver.clickThenRead(u"savePINButton"_s, u"storeMessage"_s, u"Din Master PIN er opdateret."_s);
    QCOMPARE(playersColumn(u"master_pin"_s), u"4321"_s);
    QCOMPARE(session.masterPIN(), u"4321"_s);
    // The fields empty once the store's reload after the change is done.
    QTRY_COMPARE(page()->property("currentPIN").toString(), QString());
    driver.screenshot(u"settings-pin-saved"_s);

    // "Månedligt forbrug": the stored amount, then a Danish-formatted one, then one out of bounds.
    driver.click(u"section_spending"_s);
    QCOMPARE(driver.textOf(u"amountField"_s), u"500"_s);
    // Danish thousands separators are dropped; what is no whole number keeps the button off.
    for (const char* typed : {"", "abc", "-", "1 000", "99999999999999999999"}) {
        driver.retype(u"amountField"_s, QString::fromLatin1(typed));
        QVERIFY2(!driver.item(u"saveAmountButton"_s)->isEnabled(), typed);
    }
    driver.retype(u"amountField"_s, u"12.500"_s);
    driver.clickThenRead(u"saveAmountButton"_s, u"storeMessage"_s, u"Dit månedlige beløb er gemt."_s);
    QCOMPARE(playersColumn(u"monthly_spend_dkk"_s), u"12500"_s);
    QCOMPARE(session.monthlySpendDKK(), 12500.0);
    driver.screenshot(u"settings-spending-saved"_s);
    driver.retype(u"amountField"_s, u"-5"_s);
    driver.clickThenRead(u"saveAmountButton"_s, u"storeMessage"_s,
                         u"Beløbet er uden for det tilladte interval."_s);
    QCOMPARE(playersColumn(u"monthly_spend_dkk"_s), u"12500"_s);
    driver.screenshot(u"settings-spending-refused"_s);

    // Closing and reopening from the banner: the window refreshes its own list of relatives.
    driver.closeSettings();
    (void)QCoro::waitFor(driver.app().api().pairRelative(m_code, u"bodil@example.dk"_s));
    driver.openSettings(u"support"_s);
    QTRY_COMPARE(driver.textOf(u"settingsRelative0"_s), u"bo•••@example.dk"_s);
    QVERIFY(!driver.isShown(u"noSupportRelatives"_s));
    // The last window's outcome stays with it.
    QVERIFY(!driver.isShown(u"storeMessage"_s));
    driver.screenshot(u"settings-support-relatives"_s);
    driver.closeSettings();

    // The banner (automatic start is not on yet) opens the window at its section.
    QCOMPARE(driver.textOf(u"bannerButton"_s), u"Gå til beskyttelse"_s);
    driver.click(u"bannerButton"_s);
    QTRY_VERIFY(driver.isShown(u"settingsWindow"_s));
    QVERIFY(driver.item(u"section_protection"_s)->property("selected").toBool());
    driver.screenshot(u"settings-from-banner"_s);
    driver.closeSettings();
}

QTEST_MAIN(SettingsJourneyTest)
#include "SettingsJourneyTest.moc"
