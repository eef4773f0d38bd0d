#include "AppDriver.h"
#include "onboarding/PlayerSetupViewModel.h"
#include "protection/DomainCountStore.h"
#include "session/PreferenceKeys.h"

#include <QQuickWindow>
#include <QRegularExpression>
#include <QtTest/QtTest>

using namespace molvena;
using namespace molvena::test;
using namespace Qt::StringLiterals;

namespace keys = preferenceKeys;

class OnboardingJourneyTest : public QObject {
    Q_OBJECT
private slots:
    void playerCreatesAnAccountThroughAnOutage();
};

void OnboardingJourneyTest::playerCreatesAnAccountThroughAnOutage() {
    BackendProcess backend;
    AppDriver driver(backend);
    QVERIFY(driver.started());
    QTRY_COMPARE(driver.screenName(), u"RoleSelection"_s);
    // The hero counts the domains the server blocks.
    const qint64 blocked =
        backend.rows(u"SELECT COUNT(*) FROM blocklist WHERE category <> 'canary'"_s)[0][0].toLongLong();
    QTRY_COMPARE(driver.textOf(u"heroTitle"_s), DomainCountStore::formatCount(blocked) + u"\ndomæner"_s);
    driver.screenshot(u"role-selection"_s);
    driver.resize(QSize(1080, 720));
    driver.screenshot(u"role-selection-minimum"_s);
    driver.resize(QSize(1180, 760));

    // Each road off the role selection has its way back; a setup left that way starts anew.
    const auto roundTrip = [&](const char* button, const char* screen, const char* back) {
        driver.go(QString::fromLatin1(button), QString::fromLatin1(screen));
        if (driver.isShown(u"nameField"_s)) {
            driver.type(u"nameField"_s, u"Bo"_s);
        }
        driver.go(QString::fromLatin1(back), u"RoleSelection"_s);
    };
    roundTrip("choosePlayer", "PlayerSetup", "setupBack");
    QCOMPARE(driver.preferences().text(keys::macRole, u"none"_s), u"none"_s);
    roundTrip("recoverRelative", "AccountRecovery", "recoveryBack");
    roundTrip("chooseRelative", "RelativePairing", "pairingBack");
    driver.go(u"choosePlayer"_s, u"PlayerSetup"_s);
    QCOMPARE(driver.textOf(u"nameField"_s), QString());
    const QString pairing = driver.textOf(u"pairingCode"_s);
    QVERIFY2(QRegularExpression(u"^[1-9]\\d\\d [1-9]\\d\\d$"_s).match(pairing).hasMatch(),
             qPrintable(pairing));
    QVERIFY(!driver.item(u"setupPrimary"_s)->isEnabled());

    // A name of blanks and an address without "@" keep the button off; the PIN takes four digits.
    driver.type(u"nameField"_s, u"   "_s);
    driver.type(u"emailField"_s, u"anna"_s);
    driver.type(u"pinField"_s, u"12a345"_s);
    QCOMPARE(driver.textOf(u"pinField"_s), u"1234"_s);
    QCOMPARE(driver.item(u"pinField"_s)->property("displayText"), QString(4, QChar(0x2022)));
    // A disabled button is drawn fainter, not hidden.
    QVERIFY(!driver.item(u"setupPrimary"_s)->isEnabled());
    QCOMPARE(driver.item(u"setupPrimary"_s)->opacity(), 0.52);
    driver.type(u"nameField"_s, u"Anna Jensen"_s);
    QVERIFY(!driver.item(u"setupPrimary"_s)->isEnabled());
    driver.type(u"emailField"_s, u"@example.dk"_s);
    QVERIFY(driver.item(u"setupPrimary"_s)->isEnabled());
    QCOMPARE(driver.item(u"setupPrimary"_s)->opacity(), 1.0);
    driver.screenshot(u"onboarding-step1"_s);

    driver.clickThenRead(u"setupPrimary"_s, u"setupTitle"_s, u"Fortæl lidt om dig"_s);
    driver.clickThenRead(u"setupBack"_s, u"setupTitle"_s, u"Opret din beskyttelse"_s);
    QCOMPARE(driver.textOf(u"nameField"_s), u"   Anna Jensen"_s);
    QCOMPARE(driver.textOf(u"pairingCode"_s), pairing);
    driver.clickThenRead(u"setupPrimary"_s, u"setupTitle"_s, u"Fortæl lidt om dig"_s);

    driver.click(u"location_online"_s);
    driver.click(u"game_Poker"_s);
    driver.click(u"game_Bingo"_s);
    QVERIFY(!driver.item(u"setupPrimary"_s)->isEnabled());
    driver.type(u"spendField"_s, u"1.500"_s);
    QCOMPARE(driver.textOf(u"spendField"_s), u"1500"_s);
    driver.click(u"chooseDate"_s);
    driver.item(u"calendar"_s);
    driver.screenshot(u"onboarding-step2-calendar"_s);
    // The keyboard alone picks a day: Tab reaches the day in hand, End stops at today, Home, the
    // arrows and Page Up move by day and month, and Return picks; each day is named with its date.
    const QLocale danish(u"da_DK"_s);
    const auto spoken = [&](const QDate& day) { return danish.toString(day, u"d. MMMM yyyy"_s); };
    const QDate today = QDate::currentDate();
    QVERIFY(driver.tabTo(spoken(today)));
    driver.key(Qt::Key_End);
    QCOMPARE(driver.focusedName(), spoken(today));
    driver.key(Qt::Key_Home);
    driver.key(Qt::Key_Right);
    QCOMPARE(driver.focusedName(), spoken(QDate(today.year(), today.month(), 2)));
    driver.key(Qt::Key_PageUp);
    const QDate picked = QDate(today.year(), today.month(), 2).addMonths(-1);
    QCOMPARE(driver.focusedName(), spoken(picked));
    driver.screenshot(u"onboarding-step2-calendar-keyboard"_s);
    driver.key(Qt::Key_Return);
    QTRY_COMPARE(driver.textOf(u"chooseDate"_s), spoken(picked));
    driver.click(u"chooseToday"_s);
    QTRY_VERIFY(!driver.isShown(u"calendar"_s));
    // The last bet was weeks ago: that day, not today, starts the counter.
    auto* setup = qobject_cast<PlayerSetupViewModel*>(driver.app().rootViewModel().screenModel());
    QVERIFY(setup);
    const QDate lastBet = QDate::currentDate().addDays(-40);
    setup->pickDate(lastBet);
    driver.screenshot(u"onboarding-step2"_s);

    // The backend goes away: the error shows, everything typed stays, the session learns nothing.
    backend.stop();
    driver.click(u"setupPrimary"_s);
    QVERIFY(!driver.textOf(u"setupErrorText"_s).isEmpty());
    QTRY_VERIFY(driver.item(u"setupPrimary"_s)->isEnabled());
    QCOMPARE(driver.textOf(u"spendField"_s), u"1500"_s);
    QCOMPARE(driver.screenName(), u"PlayerSetup"_s);
    QVERIFY(!driver.preferences().contains(keys::playerName));
    QVERIFY(!driver.preferences().boolean(keys::macSetupComplete));
    driver.screenshot(u"onboarding-offline-error"_s);

    // Back again: the same press now creates the account with the code that was shown all along.
    backend.start();
    driver.go(u"setupPrimary"_s, u"ProtectionSetup"_s);
    const QString code = QString(pairing).remove(QLatin1Char(' '));
    const auto players = backend.rows(
        QStringLiteral(
            "SELECT name, email, master_pin, gambling_location_type, gambling_game_types, monthly_spend_dkk, "
            "last_gambling_date FROM players WHERE pairing_code = '%1'")
            .arg(code));
    QCOMPARE(players.size(), 1);
    QCOMPARE(players[0], (QVariantList{"   Anna Jensen", "anna@example.dk", "1234", "online", "Bingo,Poker",
                                       qint64(1500), lastBet.startOfDay().toSecsSinceEpoch()}));
    QCOMPARE(driver.preferences().text(keys::pairingCode), code);
    QCOMPARE(driver.preferences().text(keys::gamblingGameTypes), u"Bingo,Poker"_s);
    QVERIFY(driver.preferences().boolean(keys::macSetupComplete));
    driver.screenshot(u"after-onboarding"_s);
}

QTEST_MAIN(OnboardingJourneyTest)
#include "OnboardingJourneyTest.moc"
