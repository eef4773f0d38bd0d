#include "AppDriver.h"
#include "PlayerDashboardViewModel.h"
#include "SpendingSettingsViewModel.h"
#include "session/PreferenceKeys.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QQuickWindow>
#include <QtTest/QtTest>
#include <qcoro/qcorotask.h>

#include <memory>

using namespace molvena;
using namespace molvena::test;

// The settings window's account pages, driven on the real window against the reference backend.
class SettingsAccountJourneyTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void keyboardStaysInsideTheMenuAndTheSettingsWindow();
    void playerManagesTheAccount();
    void cleanupTestCase();

private:
    QObject* page();
    QString playersColumn(const QString& column);
    void openAt(const QString& section);

    std::unique_ptr<BackendProcess> m_backend;
    std::unique_ptr<AppDriver> m_driver;
    const QString m_email = QStringLiteral("anna@example.dk");
    const QString m_code = QStringLiteral("482913");
};

void SettingsAccountJourneyTest::initTestCase() {
    m_backend = std::make_unique<BackendProcess>();
    m_driver = std::make_unique<AppDriver>(*m_backend);
    QVERIFY(m_driver->started());
    // A player who registered and once had the three layers in place goes straight to the dashboard.
    AppSession& session = m_driver->app().session();
    const APIClient& api = m_driver->app().api();
    QCoro::waitFor(api.registerMacDevice(QStringLiteral("Anna Jensen"), m_email, QStringLiteral("1234"),
                                         m_code, session.deviceToken()));
    QCoro::waitFor(api.savePlayerProfile(session.deviceToken(), QDateTime::currentDateTime().addDays(-3),
                                         QStringLiteral("online"), QStringLiteral("Poker"), 500));
    m_driver->preferences().setValue(preferenceKeys::hasEverActivatedMacProtection, true);
    session.selectRole(UserRole::player);
    session.completeSetup();
    QTRY_COMPARE(m_driver->screenName(), QStringLiteral("PlayerDashboard"));
}

void SettingsAccountJourneyTest::keyboardStaysInsideTheMenuAndTheSettingsWindow() {
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
    driver.click(QStringLiteral("headerMenuButton"));
    driver.click(QStringLiteral("menuSettings"));
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

void SettingsAccountJourneyTest::cleanupTestCase() {
    m_driver.reset();
    m_backend.reset();
}

QObject* SettingsAccountJourneyTest::page() {
    auto* dashboard = qobject_cast<PlayerDashboardViewModel*>(m_driver->app().rootViewModel().screenModel());
    return dashboard && dashboard->settings() ? dashboard->settings()->pageModel() : nullptr;
}

QString SettingsAccountJourneyTest::playersColumn(const QString& column) {
    const QList<QVariantList> rows =
        m_backend->rows(QStringLiteral("SELECT %1 FROM players WHERE email = '%2'").arg(column, m_email));
    return rows.size() == 1 ? rows[0][0].toString() : QStringLiteral("<%1 rows>").arg(rows.size());
}

void SettingsAccountJourneyTest::openAt(const QString& section) {
    auto* dashboard = qobject_cast<PlayerDashboardViewModel*>(m_driver->app().rootViewModel().screenModel());
    QVERIFY(dashboard);
    dashboard->openSettings(section);
    m_driver->item(QStringLiteral("settingsWindow"));
}

void SettingsAccountJourneyTest::playerManagesTheAccount() {
    AppDriver& driver = *m_driver;
    AppSession& session = driver.app().session();

    // "Din konto" from the header menu, with the server's values.
    driver.click(QStringLiteral("headerMenuButton"));
    driver.click(QStringLiteral("menuSettings"));
    QTRY_COMPARE(driver.textOf(QStringLiteral("accountEmail")), m_email);
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
    driver.click(QStringLiteral("saveContactButton"));
    QTRY_COMPARE(driver.textOf(QStringLiteral("storeMessage")),
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
    driver.click(QStringLiteral("saveContactButton"));
    QTRY_COMPARE(driver.textOf(QStringLiteral("storeMessage")),
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
    driver.click(QStringLiteral("confirmRemovalButton"));
    QTRY_COMPARE(driver.textOf(QStringLiteral("storeMessage")), QStringLiteral("Forkert Master PIN."));
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
    driver.click(QStringLiteral("savePINButton"));
    QTRY_COMPARE(driver.textOf(QStringLiteral("storeMessage")), QStringLiteral("Forkert Master PIN."));
    QCOMPARE(page()->property("newPIN").toString(), QStringLiteral("4321"));
    QCOMPARE(playersColumn(QStringLiteral("master_pin")), QStringLiteral("1234"));
    driver.screenshot(QStringLiteral("settings-pin-wrong"));
    driver.retype(QStringLiteral("currentPINField"), QStringLiteral("1234"));
    driver.click(QStringLiteral("savePINButton"));
    QTRY_COMPARE(driver.textOf(QStringLiteral("storeMessage")),
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
    driver.click(QStringLiteral("saveAmountButton"));
    QTRY_COMPARE(driver.textOf(QStringLiteral("storeMessage")),
                 QStringLiteral("Dit månedlige beløb er gemt."));
    QCOMPARE(playersColumn(QStringLiteral("monthly_spend_dkk")), QStringLiteral("12500"));
    QCOMPARE(session.monthlySpendDKK(), 12500.0);
    driver.screenshot(QStringLiteral("settings-spending-saved"));
    driver.retype(QStringLiteral("amountField"), QStringLiteral("-5"));
    driver.click(QStringLiteral("saveAmountButton"));
    QTRY_COMPARE(driver.textOf(QStringLiteral("storeMessage")),
                 QStringLiteral("Beløbet er uden for det tilladte interval."));
    QCOMPARE(playersColumn(QStringLiteral("monthly_spend_dkk")), QStringLiteral("12500"));
    driver.screenshot(QStringLiteral("settings-spending-refused"));

    // Closing and reopening from the banner: the window refreshes its own list of relatives.
    driver.click(QStringLiteral("closeSettings"));
    QTRY_VERIFY(!driver.isShown(QStringLiteral("settingsWindow")));
    (void)QCoro::waitFor(driver.app().api().pairRelative(m_code, QStringLiteral("bodil@example.dk")));
    openAt(QStringLiteral("support"));
    QTRY_COMPARE(driver.textOf(QStringLiteral("settingsRelative0")), QStringLiteral("bo•••@example.dk"));
    QVERIFY(!driver.isShown(QStringLiteral("noSupportRelatives")));
    // The last window's outcome stays with it.
    QVERIFY(!driver.isShown(QStringLiteral("storeMessage")));
    driver.screenshot(QStringLiteral("settings-support-relatives"));
    driver.click(QStringLiteral("closeSettings"));
    QTRY_VERIFY(!driver.isShown(QStringLiteral("settingsWindow")));

    // The banner (automatic start is off for a program in a build folder) opens the window at its section.
    QCOMPARE(driver.textOf(QStringLiteral("bannerButton")), QStringLiteral("Gå til beskyttelse"));
    driver.click(QStringLiteral("bannerButton"));
    QTRY_VERIFY(driver.isShown(QStringLiteral("settingsWindow")));
    QVERIFY(driver.item(QStringLiteral("section_protection"))->property("selected").toBool());
    driver.screenshot(QStringLiteral("settings-from-banner"));
    driver.click(QStringLiteral("closeSettings"));
    QTRY_VERIFY(!driver.isShown(QStringLiteral("settingsWindow")));
}

QTEST_MAIN(SettingsAccountJourneyTest)
#include "SettingsAccountJourneyTest.moc"
