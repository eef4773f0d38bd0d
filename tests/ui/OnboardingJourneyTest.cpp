#include "AppDriver.h"
#include "onboarding/PlayerSetupViewModel.h"
#include "protection/DomainCountStore.h"
#include "session/PreferenceKeys.h"

#include <QQuickWindow>
#include <QRegularExpression>
#include <QtTest/QtTest>

using namespace molvena;
using namespace molvena::test;

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
    QCOMPARE(driver.window().size(), QSize(1180, 760));
    QCOMPARE(driver.window().minimumSize(), QSize(1080, 720));
    QTRY_COMPARE(driver.screenName(), QStringLiteral("RoleSelection"));
    // The hero counts the domains the server blocks.
    const qint64 blocked =
        backend.rows(QStringLiteral("SELECT COUNT(*) FROM blocklist WHERE category <> 'canary'"))[0][0]
            .toLongLong();
    QTRY_COMPARE(driver.textOf(QStringLiteral("heroTitle")),
                 DomainCountStore::formatCount(blocked) + QStringLiteral("\ndomæner"));
    driver.screenshot(QStringLiteral("role-selection"));
    driver.resize(QSize(1080, 720));
    driver.screenshot(QStringLiteral("role-selection-minimum"));
    driver.resize(QSize(1180, 760));

    // Each road off the role selection has its way back; a setup left that way starts anew.
    const auto roundTrip = [&](const char* button, const char* screen, const char* back) {
        driver.go(QString::fromLatin1(button), QString::fromLatin1(screen));
        if (driver.isShown(QStringLiteral("nameField"))) {
            driver.type(QStringLiteral("nameField"), QStringLiteral("Bo"));
        }
        driver.go(QString::fromLatin1(back), QStringLiteral("RoleSelection"));
    };
    roundTrip("choosePlayer", "PlayerSetup", "setupBack");
    QCOMPARE(driver.preferences().text(keys::macRole, QStringLiteral("none")), QStringLiteral("none"));
    roundTrip("recoverRelative", "AccountRecovery", "recoveryBack");
    roundTrip("chooseRelative", "RelativePairing", "pairingBack");
    driver.go(QStringLiteral("choosePlayer"), QStringLiteral("PlayerSetup"));
    QCOMPARE(driver.textOf(QStringLiteral("nameField")), QString());
    const QString pairing = driver.textOf(QStringLiteral("pairingCode"));
    QVERIFY2(QRegularExpression(QStringLiteral("^[1-9]\\d\\d [1-9]\\d\\d$")).match(pairing).hasMatch(),
             qPrintable(pairing));
    QVERIFY(!driver.item(QStringLiteral("setupPrimary"))->isEnabled());

    // A name of blanks and an address without "@" keep the button off; the PIN takes four digits.
    driver.type(QStringLiteral("nameField"), QStringLiteral("   "));
    driver.type(QStringLiteral("emailField"), QStringLiteral("anna"));
    driver.type(QStringLiteral("pinField"), QStringLiteral("12a345"));
    QCOMPARE(driver.textOf(QStringLiteral("pinField")), QStringLiteral("1234"));
    QCOMPARE(driver.item(QStringLiteral("pinField"))->property("displayText"), QString(4, QChar(0x2022)));
    // A disabled button is drawn fainter, not hidden.
    QVERIFY(!driver.item(QStringLiteral("setupPrimary"))->isEnabled());
    QCOMPARE(driver.item(QStringLiteral("setupPrimary"))->opacity(), 0.52);
    driver.type(QStringLiteral("nameField"), QStringLiteral("Anna Jensen"));
    QVERIFY(!driver.item(QStringLiteral("setupPrimary"))->isEnabled());
    driver.type(QStringLiteral("emailField"), QStringLiteral("@example.dk"));
    QVERIFY(driver.item(QStringLiteral("setupPrimary"))->isEnabled());
    QCOMPARE(driver.item(QStringLiteral("setupPrimary"))->opacity(), 1.0);
    driver.screenshot(QStringLiteral("onboarding-step1"));

    driver.clickThenRead(QStringLiteral("setupPrimary"), QStringLiteral("setupTitle"),
                         QStringLiteral("Fortæl lidt om dig"));
    driver.clickThenRead(QStringLiteral("setupBack"), QStringLiteral("setupTitle"),
                         QStringLiteral("Opret din beskyttelse"));
    QCOMPARE(driver.textOf(QStringLiteral("nameField")), QStringLiteral("   Anna Jensen"));
    QCOMPARE(driver.textOf(QStringLiteral("pairingCode")), pairing);
    driver.clickThenRead(QStringLiteral("setupPrimary"), QStringLiteral("setupTitle"),
                         QStringLiteral("Fortæl lidt om dig"));

    driver.click(QStringLiteral("location_online"));
    driver.click(QStringLiteral("game_Poker"));
    driver.click(QStringLiteral("game_Bingo"));
    QVERIFY(!driver.item(QStringLiteral("setupPrimary"))->isEnabled());
    driver.type(QStringLiteral("spendField"), QStringLiteral("1.500"));
    QCOMPARE(driver.textOf(QStringLiteral("spendField")), QStringLiteral("1500"));
    driver.click(QStringLiteral("chooseDate"));
    driver.item(QStringLiteral("calendar"));
    driver.screenshot(QStringLiteral("onboarding-step2-calendar"));
    // The keyboard alone picks a day: Tab reaches the day in hand, End stops at today, Home, the
    // arrows and Page Up move by day and month, and Return picks; each day is named with its date.
    const QLocale danish(QStringLiteral("da_DK"));
    const auto spoken = [&](const QDate& day) {
        return danish.toString(day, QStringLiteral("d. MMMM yyyy"));
    };
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
    driver.screenshot(QStringLiteral("onboarding-step2-calendar-keyboard"));
    driver.key(Qt::Key_Return);
    QTRY_COMPARE(driver.textOf(QStringLiteral("chooseDate")), spoken(picked));
    driver.click(QStringLiteral("chooseToday"));
    QTRY_VERIFY(!driver.isShown(QStringLiteral("calendar")));
    // The last bet was weeks ago: that day, not today, starts the counter.
    auto* setup = qobject_cast<PlayerSetupViewModel*>(driver.app().rootViewModel().screenModel());
    QVERIFY(setup);
    const QDate lastBet = QDate::currentDate().addDays(-40);
    setup->pickDate(lastBet);
    driver.screenshot(QStringLiteral("onboarding-step2"));

    // The backend goes away: the error shows, everything typed stays, the session learns nothing.
    backend.stop();
    driver.click(QStringLiteral("setupPrimary"));
    QVERIFY(!driver.textOf(QStringLiteral("setupErrorText")).isEmpty());
    QTRY_VERIFY(driver.item(QStringLiteral("setupPrimary"))->isEnabled());
    QCOMPARE(driver.textOf(QStringLiteral("spendField")), QStringLiteral("1500"));
    QCOMPARE(driver.screenName(), QStringLiteral("PlayerSetup"));
    QVERIFY(!driver.preferences().contains(keys::playerName));
    QVERIFY(!driver.preferences().boolean(keys::macSetupComplete));
    driver.screenshot(QStringLiteral("onboarding-offline-error"));

    // Back again: the same press now creates the account with the code that was shown all along.
    backend.start();
    driver.go(QStringLiteral("setupPrimary"), QStringLiteral("ProtectionSetup"));
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
    QCOMPARE(driver.preferences().text(keys::gamblingGameTypes), QStringLiteral("Bingo,Poker"));
    QVERIFY(driver.preferences().boolean(keys::macSetupComplete));
    driver.screenshot(QStringLiteral("after-onboarding"));
}

QTEST_MAIN(OnboardingJourneyTest)
#include "OnboardingJourneyTest.moc"
