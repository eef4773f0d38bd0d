#include "session/AppSession.h"
#include "TestSupport.h"
#include "session/PairingCode.h"

#include <QProcess>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QtTest/QtTest>

using namespace molvena;
using molvena::test::TemporaryPreferences;

class AppSessionTest : public QObject {
    Q_OBJECT
private slots:
    void constructionReadsRoleAndSetupFromTheStore_data();
    void constructionReadsRoleAndSetupFromTheStore();
    void applyRecoveryStoresWhatTheResultCarries_data();
    void applyRecoveryStoresWhatTheResultCarries();
    void resetSessionRemovesTheSessionAndProtectionKeys();
    void writesSurviveAnAbruptEndOfTheProcess();
    void pairingCodeIsTwoGroupsOfThreeDigits();
};

void AppSessionTest::constructionReadsRoleAndSetupFromTheStore_data() {
    QTest::addColumn<QVariant>("storedRole");
    QTest::addColumn<QVariant>("storedSetup");
    QTest::addColumn<UserRole>("role");
    QTest::addColumn<bool>("setupComplete");
    QTest::newRow("fresh store") << QVariant() << QVariant() << UserRole::none << false;
    QTest::newRow("player, complete") << QVariant("player") << QVariant(true) << UserRole::player << true;
    QTest::newRow("relative, incomplete")
        << QVariant("relative") << QVariant(false) << UserRole::relative << false;
}

void AppSessionTest::constructionReadsRoleAndSetupFromTheStore() {
    QFETCH(QVariant, storedRole);
    QFETCH(QVariant, storedSetup);
    TemporaryPreferences preferences;
    if (storedRole.isValid()) {
        preferences.store().setValue("macRole", storedRole);
    }
    if (storedSetup.isValid()) {
        preferences.store().setValue("macSetupComplete", storedSetup);
    }
    AppSession session(preferences.store());
    QTEST(session.role(), "role");
    QTEST(session.isSetupComplete(), "setupComplete");
}

void AppSessionTest::applyRecoveryStoresWhatTheResultCarries_data() {
    QTest::addColumn<UserRole>("role");
    QTest::addColumn<RecoveryResult>("result");
    QTest::addColumn<QString>("stored"); // name, e-mail, PIN, date, pairing code, relative's token

    // Every case starts from "Old, old@x.dk, 1111, 1000, 111222, old-token". What a complete result
    // stores is the recovery journey's (tests/ui).
    QTest::newRow("player, date 0 and empty code keep the old ones")
        << UserRole::player
        << RecoveryResult{.name = "",
                          .email = "n@x.dk",
                          .masterPIN = "",
                          .pairingCode = "",
                          .lastGamblingDate = 0.0}
        << ", n@x.dk, , 1000, 111222, old-token";
    QTest::newRow("relative without token keeps the old one")
        << UserRole::relative << RecoveryResult{.playerName = "Bo"}
        << "Bo, old@x.dk, 1111, 1000, 111222, old-token";
}

void AppSessionTest::applyRecoveryStoresWhatTheResultCarries() {
    QFETCH(UserRole, role);
    QFETCH(RecoveryResult, result);
    TemporaryPreferences preferences;
    AppSession session(preferences.store());
    session.setPlayerName("Old");
    session.setPlayerEmail("old@x.dk");
    session.setMasterPIN("1111");
    session.setLastGamblingDate(1000);
    session.setPairingCode("111222");
    session.setRelativePairingToken("old-token");
    session.beginRecovery(role);

    session.applyRecovery(result, role);

    const QStringList stored{session.playerName(),  session.playerEmail(),
                             session.masterPIN(),   QString::number(session.lastGamblingDate(), 'f', 0),
                             session.pairingCode(), session.relativePairingToken()};
    QTEST(stored.join(QStringLiteral(", ")), "stored");
    QVERIFY(!session.showRecovery());
    auto reopened = preferences.reopen();
    QCOMPARE(reopened->text("macRole"), rawValue(role));
    QCOMPARE(reopened->boolean("macSetupComplete"), true);
}

void AppSessionTest::resetSessionRemovesTheSessionAndProtectionKeys() {
    TemporaryPreferences preferences;
    preferences.store().setValue("deviceToken", QString()); // an empty token is no token
    AppSession session(preferences.store());
    const QString token = session.deviceToken();
    QVERIFY2(QRegularExpression(QStringLiteral("^mac-[0-9a-f]{8}-([0-9a-f]{4}-){3}[0-9a-f]{12}$"))
                 .match(token)
                 .hasMatch(),
             qPrintable(token));
    preferences.store().setValue("cachedBlockedDomainsCount", 612345);
    preferences.store().setValue("macDNSProfileWasRequested", true);
    session.selectRole(UserRole::player);
    session.completeSetup();
    // A recovery the user cancelled keeps its role until the reset.
    session.beginRecovery(UserRole::relative);
    session.setShowRecovery(false);
    QCOMPARE(session.recoveryRole(), UserRole::relative);

    session.resetSession();

    // That the other keys go is the UI journeys' (log-out, removal, relative's unpairing).
    auto reopened = preferences.reopen();
    QCOMPARE(reopened->text("macRole"), QStringLiteral("none"));
    QCOMPARE(reopened->boolean("macSetupComplete", true), false);
    QCOMPARE(reopened->text("deviceToken"), token);
    QCOMPARE(reopened->integer("cachedBlockedDomainsCount"), 612345);
    QCOMPARE(reopened->boolean("macDNSProfileWasRequested"), true);
    QCOMPARE(session.role(), UserRole::none);
    QCOMPARE(session.isSetupComplete(), false);
    QCOMPARE(session.recoveryRole(), UserRole::player);
}

void AppSessionTest::writesSurviveAnAbruptEndOfTheProcess() {
    TemporaryPreferences preferences;
    QProcess tool;
    tool.start(QStringLiteral(SESSION_STORE_TOOL), {preferences.path()});
    QVERIFY(tool.waitForFinished(20000));
    QCOMPARE(tool.exitCode(), 0);
    const QString tokenWritten = QString::fromUtf8(tool.readAllStandardOutput()).trimmed();

    auto reopened = preferences.reopen();
    AppSession session(*reopened);
    QCOMPARE(session.role(), UserRole::player);
    QVERIFY(session.isSetupComplete());
    QCOMPARE(session.playerName(), QStringLiteral("Åse Ørsted"));
    QCOMPARE(session.lastGamblingDate(), 1700000000.5);
    QCOMPARE(session.deviceToken(), tokenWritten);

    // The persisted fields have no copy outside the store: a second session sees a write at once.
    AppSession other(*reopened);
    QSignalSpy nameSpy(&session, &AppSession::playerNameChanged);
    session.setPlayerName("Mette");
    QCOMPARE(nameSpy.count(), 1);
    QCOMPARE(other.playerName(), QStringLiteral("Mette"));
}

void AppSessionTest::pairingCodeIsTwoGroupsOfThreeDigits() {
    const QRegularExpression displayForm(QStringLiteral("^[1-9][0-9]{2} [1-9][0-9]{2}$"));
    QSet<QString> seen;
    for (int i = 0; i < 1000; ++i) {
        const QString code = PairingCode::draw();
        QVERIFY2(displayForm.match(code).hasMatch(), qPrintable(code));
        seen.insert(code);
    }
    // 810,000 possible codes: a repeat-heavy draw means a broken random source.
    QVERIFY(seen.size() > 990);
    // Every digit survives the blank's removal, the 0 and the 9 at the ends of the range too.
    QCOMPARE(PairingCode::digitsOnly(QStringLiteral("190 905")), QStringLiteral("190905"));
}

QTEST_GUILESS_MAIN(AppSessionTest)
#include "AppSessionTest.moc"
