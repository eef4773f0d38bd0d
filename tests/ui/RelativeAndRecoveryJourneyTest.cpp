#include "AppDriver.h"
#include "ProtectionTestSupport.h"
#include "TaskTesting.h"
#include "recovery/AccountRecoveryViewModel.h"
#include "relative/RelativeDashboardViewModel.h"
#include "relative/RelativePairingViewModel.h"
#include "session/PreferenceKeys.h"

#include <QDir>
#include <QQuickWindow>
#include <QRegularExpression>
#include <QUuid>
#include <QtTest/QtTest>

using namespace molvena;
using namespace molvena::test;

namespace keys = preferenceKeys;

namespace {

const QString kPlayerEmail = QStringLiteral("mads@example.dk");
const QString kRelativeEmail = QStringLiteral("sofie@example.dk");
const QString kPairingCode = QStringLiteral("482913");

// A player account with a Mac of its own and a last day of gambling twelve days ago, made through
// the app's own client as another Mac's onboarding would; the Mac's device token.
QString createPlayer(AppDriver& driver) {
    const APIClient& api = driver.app().api();
    const QString token = QStringLiteral("mac-") + QUuid::createUuid().toString(QUuid::WithoutBraces);
    const auto registered = runTask(api.registerMacDevice(QStringLiteral("Mads Holm"), kPlayerEmail,
                                                          QStringLiteral("1234"), kPairingCode, token));
    const auto saved = runTask(api.savePlayerProfile(token, QDateTime::currentDateTimeUtc().addDays(-12),
                                                     QStringLiteral("online"), QStringLiteral("Poker"), 900));
    [&] {
        QVERIFY(registered.finished && !registered.error);
        QVERIFY(saved.finished && !saved.error);
        QCOMPARE(driver.app().session().playerName(), QString()); // nothing of it reached this Mac
    }();
    return token;
}

// The six digits of the newest recovery mail to an address, once the server has written it.
QString recoveryCodeMailedTo(const BackendProcess& backend, const QString& address, int waitMs = 5000) {
    static const QRegularExpression codeLine(QStringLiteral("^\\s+(\\d{6})\\s*$"),
                                             QRegularExpression::MultilineOption);
    QString code;
    (void)QTest::qWaitFor(
        [&] {
            QDir outbox(QDir(backend.dataFolder()).filePath(QStringLiteral("outbox")));
            for (const QString& name :
                 outbox.entryList({QStringLiteral("*recovery_code.eml")}, QDir::Files, QDir::Name)) {
                const QString mail = QString::fromUtf8(readFile(outbox.filePath(name)));
                if (mail.contains(QStringLiteral("To: ") + address)) {
                    code = codeLine.match(mail).captured(1);
                }
            }
            return !code.isEmpty();
        },
        waitMs);
    return code;
}

// The app's start-up sequence and its web-protection check outlive the app when they still run as
// it goes, so a journey lets them end before its driver goes out of scope.
void letStartupSettle(AppDriver& driver) {
    QTRY_VERIFY_WITH_TIMEOUT(driver.app().protectionMonitor().isStarted() && !driver.app().dns().isChecking(),
                             10000);
}

} // namespace

class RelativeAndRecoveryJourneyTest : public QObject {
    Q_OBJECT
private slots:
    void relativePairsAndFollowsThePlayer();
    void bothRolesRecoverTheirAccountsOnANewMac();
};

void RelativeAndRecoveryJourneyTest::relativePairsAndFollowsThePlayer() {
    BackendProcess backend;
    AppDriver driver(backend);
    QVERIFY(driver.started());
    // What the code fields keep of what is typed, and when it is a whole code.
    RelativePairingViewModel pairing(driver.app().session(), driver.app().api(), driver.app().domainCount());
    AccountRecoveryViewModel recovery(driver.app().session(), driver.app().api(), UserRole::player);
    pairing.setEmail(QStringLiteral("sofie@example.dk"));
    const struct {
        const char* typed;
        const char* shown;
        bool complete;
    } rows[] = {
        {"12", "12", false},
        {"9034567", "903 456", true},
        {"12-34-56", "123 456", true},
        {" 48 29 1a", "482 91", false},
        {"١٢٣٤٥٦", "١٢٣ ٤٥٦", true},      // Arabic-Indic digits are digits too
        {"１２３４", "１２３ ４", false}, // so are full-width ones
        {"abc", "", false},
    };
    for (const auto& row : rows) {
        pairing.setCode(QString::fromUtf8(row.typed));
        recovery.setCode(QString::fromUtf8(row.typed));
        QCOMPARE(pairing.code(), QString::fromUtf8(row.shown));
        QCOMPARE(recovery.code(), QString::fromUtf8(row.shown));
        QCOMPARE(pairing.canSubmit(), row.complete);
        QCOMPARE(recovery.canVerify(), row.complete);
    }
    // Six digits are not enough without an address.
    pairing.setEmail(QStringLiteral("sofie.example.dk"));
    QVERIFY(!pairing.canSubmit());

    const QString playerMac = createPlayer(driver);
    driver.go(QStringLiteral("chooseRelative"), QStringLiteral("RelativePairing"));
    QVERIFY(!driver.item(QStringLiteral("pairingSubmit"))->isEnabled());
    driver.screenshot(QStringLiteral("relative-pairing"));

    // A wrong code: the backend's Danish reason shows, nothing is stored, what was typed stays.
    driver.type(QStringLiteral("pairingCodeField"), QStringLiteral("12-34-56"));
    QCOMPARE(driver.textOf(QStringLiteral("pairingCodeField")), QStringLiteral("123 456"));
    driver.type(QStringLiteral("pairingEmailField"), QStringLiteral("sofie"));
    QVERIFY(!driver.item(QStringLiteral("pairingSubmit"))->isEnabled());
    driver.type(QStringLiteral("pairingEmailField"), QStringLiteral("@example.dk"));
    QVERIFY(driver.item(QStringLiteral("pairingSubmit"))->isEnabled());
    driver.clickThenRead(QStringLiteral("pairingSubmit"), QStringLiteral("pairingErrorText"),
                         QStringLiteral("Koden er ikke gyldig. Kontrollér de 6 cifre."));
    QTRY_VERIFY(driver.item(QStringLiteral("pairingSubmit"))->isEnabled());
    QCOMPARE(driver.screenName(), QStringLiteral("RelativePairing"));
    QCOMPARE(driver.textOf(QStringLiteral("pairingCodeField")), QStringLiteral("123 456"));
    QCOMPARE(driver.textOf(QStringLiteral("pairingEmailField")), kRelativeEmail);
    QVERIFY(!driver.preferences().contains(keys::relativePairingToken));
    QVERIFY(!driver.preferences().boolean(keys::macSetupComplete));
    driver.screenshot(QStringLiteral("relative-pairing-wrong-code"));

    // A look at recovery and "Tilbage" keep what was typed.
    driver.go(QStringLiteral("existingAccountLogin"), QStringLiteral("AccountRecovery"));
    driver.go(QStringLiteral("recoveryBack"), QStringLiteral("RelativePairing"));
    QCOMPARE(driver.textOf(QStringLiteral("pairingCodeField")), QStringLiteral("123 456"));
    QCOMPARE(driver.textOf(QStringLiteral("pairingEmailField")), kRelativeEmail);

    // The player's code: the overview with the player's name and days.
    driver.retype(QStringLiteral("pairingCodeField"), QStringLiteral("482 913"));
    driver.go(QStringLiteral("pairingSubmit"), QStringLiteral("RelativeDashboard"));
    QTRY_COMPARE(driver.textOf(QStringLiteral("overviewPlayerName")), QStringLiteral("Mads Holm"));
    QCOMPARE(driver.textOf(QStringLiteral("overviewDays")), QStringLiteral("12"));
    QCOMPARE(driver.textOf(QStringLiteral("overviewShield")), QStringLiteral("Skjold ikke aktivt"));
    QVERIFY(!driver.textOf(QStringLiteral("historyTitle0")).isEmpty());
    QCOMPARE(backend.rows(QStringLiteral("SELECT pairing_token FROM relatives")),
             (QList<QVariantList>{{driver.preferences().text(keys::relativePairingToken)}}));
    driver.screenshot(QStringLiteral("relative-overview"));

    // While it shows, the overview follows what the player's Mac reports.
    auto* overview = qobject_cast<RelativeDashboardViewModel*>(driver.app().rootViewModel().screenModel());
    QVERIFY(overview);
    overview->setRefreshInterval(200);
    const auto reported = runTask(driver.app().api().reportDeviceStatus(
        playerMac, true, true, true, true, false, true, QStringLiteral("heartbeat"), kPairingCode, 0));
    QVERIFY(reported.finished && !reported.error);
    QTRY_COMPARE(driver.textOf(QStringLiteral("overviewShield")), QStringLiteral("Skjold aktivt"));

    // A reload that fails keeps what was shown.
    const QString offline = QStringLiteral("Der kunne ikke oprettes forbindelse til serveren.");
    backend.stop();
    QTRY_COMPARE(overview->error(), offline);
    QCOMPARE(driver.textOf(QStringLiteral("overviewPlayerName")), QStringLiteral("Mads Holm"));

    // Recovery asked for a code while the server is away says so and stays with the address; the
    // overview underneath is as it was left.
    driver.app().session().beginRecovery(UserRole::relative);
    QTRY_COMPARE(driver.screenName(), QStringLiteral("AccountRecovery"));
    driver.type(QStringLiteral("recoveryEmailField"), kRelativeEmail);
    driver.clickThenRead(QStringLiteral("recoverySend"), QStringLiteral("recoveryErrorText"), offline);
    QVERIFY(driver.isShown(QStringLiteral("recoverySend")));
    QVERIFY(!driver.isShown(QStringLiteral("recoveryCodeField")));
    driver.go(QStringLiteral("recoveryBack"), QStringLiteral("RelativeDashboard"));
    QCOMPARE(driver.textOf(QStringLiteral("overviewPlayerName")), QStringLiteral("Mads Holm"));

    // An overview that never had an answer offers "Prøv igen".
    RelativeDashboardViewModel fresh(driver.app().session(), driver.app().api());
    QVERIFY(runTask(fresh.load()).finished);
    QVERIFY(!fresh.hasData());
    QCOMPARE(fresh.placeholderText(), offline);
    backend.start();
    QVERIFY(runTask(fresh.load()).finished);
    QCOMPARE(fresh.playerName(), QStringLiteral("Mads Holm"));

    driver.go(QStringLiteral("relativeLogOut"), QStringLiteral("RoleSelection"));
    QVERIFY(!driver.preferences().contains(keys::relativePairingToken));
    letStartupSettle(driver);
}

void RelativeAndRecoveryJourneyTest::bothRolesRecoverTheirAccountsOnANewMac() {
    BackendProcess backend;
    {
        AppDriver setup(backend);
        QVERIFY(setup.started());
        createPlayer(setup);
        const auto linked = runTask(setup.app().api().pairRelative(kPairingCode, kRelativeEmail));
        QVERIFY(linked.value && linked.value->success == true);
        // Recovery reaches only addresses their owners confirmed.
        QCOMPARE(backend.confirmMailedAddresses(QStringLiteral("player_confirmation")), 1);
        QCOMPARE(backend.confirmMailedAddresses(QStringLiteral("relative_confirmation")), 1);
        letStartupSettle(setup);
    }

    // The player, on a Mac that has never seen the account.
    {
        AppDriver driver(backend);
        QVERIFY(driver.started());
        driver.go(QStringLiteral("recoverPlayer"), QStringLiteral("AccountRecovery"));
        QVERIFY(driver.item(QStringLiteral("recoveryRolePlayer"))->property("selected").toBool());
        driver.type(QStringLiteral("recoveryEmailField"), QStringLiteral("mads"));
        QVERIFY(!driver.item(QStringLiteral("recoverySend"))->isEnabled());
        driver.type(QStringLiteral("recoveryEmailField"), QStringLiteral("@example.dk"));
        driver.screenshot(QStringLiteral("recovery-player-email"));
        driver.click(QStringLiteral("recoverySend"));
        driver.item(QStringLiteral("recoveryCodeField"));
        const QString code = recoveryCodeMailedTo(backend, kPlayerEmail);
        QCOMPARE(code.size(), 6);

        // A wrong code: the one fixed message, never the backend's; the code stays to be corrected.
        const QString wrong =
            code == QLatin1String("000000") ? QStringLiteral("111111") : QStringLiteral("000000");
        driver.type(QStringLiteral("recoveryCodeField"), wrong);
        driver.clickThenRead(
            QStringLiteral("recoveryVerify"), QStringLiteral("recoveryErrorText"),
            QStringLiteral("Koden kunne ikke bekræftes. Prøv igen eller bed om en ny kode."));
        QCOMPARE(driver.textOf(QStringLiteral("recoveryCodeField")), wrong.left(3) + ' ' + wrong.mid(3));
        QCOMPARE(driver.screenName(), QStringLiteral("AccountRecovery"));
        driver.screenshot(QStringLiteral("recovery-player-wrong-code"));

        driver.retype(QStringLiteral("recoveryCodeField"), code);
        driver.click(QStringLiteral("recoveryVerify"));
        // Where a finished onboarding leads: the protection setup until the layers hold.
        QTRY_VERIFY_WITH_TIMEOUT(driver.screenName() == QLatin1String("ProtectionSetup") ||
                                     driver.screenName() == QLatin1String("PlayerDashboard"),
                                 10000);
        PreferenceStore& preferences = driver.preferences();
        QCOMPARE(preferences.text(keys::macRole), QStringLiteral("player"));
        QVERIFY(preferences.boolean(keys::macSetupComplete));
        QCOMPARE(preferences.text(keys::playerName), QStringLiteral("Mads Holm"));
        QCOMPARE(preferences.text(keys::masterPIN), QStringLiteral("1234"));
        QCOMPARE(preferences.text(keys::pairingCode), kPairingCode);
        QVERIFY(preferences.real(keys::lastGamblingDate) > 0);
        const auto devices =
            backend.rows(QStringLiteral("SELECT p.email FROM devices d JOIN players p ON p.id = d.player_id "
                                        "WHERE d.device_token = '%1'")
                             .arg(driver.app().session().deviceToken()));
        QCOMPARE(devices, (QList<QVariantList>{{kPlayerEmail}}));
        driver.screenshot(QStringLiteral("recovery-player-done"));
        letStartupSettle(driver);
    }

    // The relative, from the pairing screen's prompt, first with an address that has no account.
    AppDriver driver(backend);
    QVERIFY(driver.started());
    driver.go(QStringLiteral("chooseRelative"), QStringLiteral("RelativePairing"));
    driver.go(QStringLiteral("existingAccountLogin"), QStringLiteral("AccountRecovery"));
    QVERIFY(driver.item(QStringLiteral("recoveryRoleRelative"))->property("selected").toBool());
    driver.type(QStringLiteral("recoveryEmailField"), QStringLiteral("nobody@example.dk"));
    driver.screenshot(QStringLiteral("recovery-relative-email"));
    driver.click(QStringLiteral("recoverySend"));
    driver.item(QStringLiteral("recoveryCodeField"));
    driver.screenshot(QStringLiteral("recovery-relative-code-step"));
    driver.click(QStringLiteral("recoveryNewCode"));
    QCOMPARE(driver.textOf(QStringLiteral("recoveryEmailField")), QStringLiteral("nobody@example.dk"));
    QVERIFY(driver.item(QStringLiteral("recoveryRoleRelative"))->property("selected").toBool());

    driver.retype(QStringLiteral("recoveryEmailField"), kRelativeEmail);
    driver.click(QStringLiteral("recoverySend"));
    const QString code = recoveryCodeMailedTo(backend, kRelativeEmail);
    QCOMPARE(code.size(), 6);
    // The outbox is written in order, so a mail for the address without an account would be there by now.
    QVERIFY(recoveryCodeMailedTo(backend, QStringLiteral("nobody@example.dk"), 0).isEmpty());
    // Typed with full-width digits, as some keyboards give them.
    QString fullWidth;
    for (const QChar digit : code) {
        fullWidth += QChar(0xFF10 + digit.digitValue());
    }
    driver.type(QStringLiteral("recoveryCodeField"), fullWidth);
    driver.go(QStringLiteral("recoveryVerify"), QStringLiteral("RelativeDashboard"));
    QTRY_COMPARE(driver.textOf(QStringLiteral("overviewPlayerName")), QStringLiteral("Mads Holm"));
    QCOMPARE(driver.preferences().text(keys::macRole), QStringLiteral("relative"));
    QCOMPARE(backend.rows(QStringLiteral("SELECT pairing_token FROM relatives")),
             (QList<QVariantList>{{driver.preferences().text(keys::relativePairingToken)}}));
    driver.screenshot(QStringLiteral("recovery-relative-done"));
    letStartupSettle(driver);
}

QTEST_MAIN(RelativeAndRecoveryJourneyTest)
#include "RelativeAndRecoveryJourneyTest.moc"
