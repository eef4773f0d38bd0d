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
using namespace Qt::StringLiterals;

namespace keys = preferenceKeys;

namespace {

const QString kPlayerEmail = u"mads@example.dk"_s;
const QString kRelativeEmail = u"sofie@example.dk"_s;
const QString kPairingCode = u"482913"_s;

// A player account with a Mac of its own and a last day of gambling twelve days ago, made through
// the app's own client as another Mac's onboarding would; the Mac's device token, empty if that failed.
QString createPlayer(AppDriver& driver) {
    const APIClient& api = driver.app().api();
    const QString token = u"mac-"_s + QUuid::createUuid().toString(QUuid::WithoutBraces);
    const auto registered =
        runTask(api.registerMacDevice(u"Mads Holm"_s, kPlayerEmail, u"1234"_s, kPairingCode, token));
    const auto saved = runTask(api.savePlayerProfile(token, QDateTime::currentDateTimeUtc().addDays(-12),
                                                     u"online"_s, u"Poker"_s, 900));
    return registered.finished && !registered.error && saved.finished && !saved.error ? token : QString();
}

// The six digits of the newest recovery mail to an address, once the server has written it.
QString recoveryCodeMailedTo(const BackendProcess& backend, const QString& address, int waitMs = 5000) {
    static const QRegularExpression codeLine(u"^\\s+(\\d{6})\\s*$"_s, QRegularExpression::MultilineOption);
    QString code;
    (void)QTest::qWaitFor(
        [&] {
            QDir outbox(QDir(backend.dataFolder()).filePath(u"outbox"_s));
            for (const QString& name : outbox.entryList({u"*recovery_code.eml"_s}, QDir::Files, QDir::Name)) {
                const QString mail = QString::fromUtf8(readFile(outbox.filePath(name)));
                if (mail.contains(u"To: "_s + address)) {
                    code = codeLine.match(mail).captured(1);
                }
            }
            return !code.isEmpty();
        },
        waitMs);
    return code;
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
    pairing.setEmail(u"sofie@example.dk"_s);
    const struct {
        const char* typed;
        const char* shown;
        bool complete;
    } rows[] = {
        {"9034567", "903 456", true},
        {"12-34-56", "123 456", true},
        {" 48 29 1a", "482 91", false},
        {"١٢٣٤٥٦", "١٢٣ ٤٥٦", true}, // Arabic-Indic digits are digits too (recovery takes full-width ones)
    };
    for (const auto& row : rows) {
        pairing.setCode(QString::fromUtf8(row.typed));
        recovery.setCode(QString::fromUtf8(row.typed));
        QCOMPARE(pairing.code(), QString::fromUtf8(row.shown));
        QCOMPARE(pairing.canSubmit(), row.complete);
        QCOMPARE(recovery.canVerify(), row.complete);
    }
    // Six digits are not enough without an address.
    pairing.setEmail(u"sofie.example.dk"_s);
    QVERIFY(!pairing.canSubmit());

    const QString playerMac = createPlayer(driver);
    QVERIFY(!playerMac.isEmpty());
    driver.go(u"chooseRelative"_s, u"RelativePairing"_s);
    QVERIFY(!driver.item(u"pairingSubmit"_s)->isEnabled());
    driver.screenshot(u"relative-pairing"_s);

    // A wrong code: the backend's Danish reason shows, nothing is stored, what was typed stays.
    driver.type(u"pairingCodeField"_s, u"12-34-56"_s);
    QCOMPARE(driver.textOf(u"pairingCodeField"_s), u"123 456"_s);
    driver.type(u"pairingEmailField"_s, u"sofie"_s);
    QVERIFY(!driver.item(u"pairingSubmit"_s)->isEnabled());
    driver.type(u"pairingEmailField"_s, u"@example.dk"_s);
    QVERIFY(driver.item(u"pairingSubmit"_s)->isEnabled());
    driver.clickThenRead(u"pairingSubmit"_s, u"pairingErrorText"_s,
                         u"Koden er ikke gyldig. Kontrollér de 6 cifre."_s);
    QTRY_VERIFY(driver.item(u"pairingSubmit"_s)->isEnabled());
    QCOMPARE(driver.screenName(), u"RelativePairing"_s);
    QCOMPARE(driver.textOf(u"pairingCodeField"_s), u"123 456"_s);
    QCOMPARE(driver.textOf(u"pairingEmailField"_s), kRelativeEmail);
    QVERIFY(!driver.preferences().contains(keys::relativePairingToken));
    QVERIFY(!driver.preferences().boolean(keys::macSetupComplete));
    driver.screenshot(u"relative-pairing-wrong-code"_s);

    // The player's code: the overview with the player's name and days.
    driver.retype(u"pairingCodeField"_s, u"482 913"_s);
    driver.go(u"pairingSubmit"_s, u"RelativeDashboard"_s);
    QTRY_COMPARE(driver.textOf(u"overviewPlayerName"_s), u"Mads Holm"_s);
    QCOMPARE(driver.textOf(u"overviewDays"_s), u"12"_s);
    QCOMPARE(driver.textOf(u"overviewShield"_s), u"Skjold ikke aktivt"_s);
    QVERIFY(!driver.textOf(u"historyTitle0"_s).isEmpty());
    QCOMPARE(backend.rows(u"SELECT pairing_token FROM relatives"_s),
             (QList<QVariantList>{{driver.preferences().text(keys::relativePairingToken)}}));
    driver.screenshot(u"relative-overview"_s);

    // While it shows, the overview follows what the player's Mac reports.
    auto* overview = qobject_cast<RelativeDashboardViewModel*>(driver.app().rootViewModel().screenModel());
    QVERIFY(overview);
    overview->setRefreshInterval(200);
    const auto reported = runTask(driver.app().api().reportDeviceStatus(
        playerMac, true, true, true, true, false, true, u"heartbeat"_s, kPairingCode, 0));
    QVERIFY(reported.finished && !reported.error);
    QTRY_COMPARE(driver.textOf(u"overviewShield"_s), u"Skjold aktivt"_s);

    // A reload that fails keeps what was shown.
    const QString offline = u"Der kunne ikke oprettes forbindelse til serveren."_s;
    backend.stop();
    QTRY_COMPARE(overview->error(), offline);
    QCOMPARE(driver.textOf(u"overviewPlayerName"_s), u"Mads Holm"_s);

    // Recovery asked for a code while the server is away says so and stays with the address; the
    // overview underneath is as it was left.
    driver.app().session().beginRecovery(UserRole::relative);
    QTRY_COMPARE(driver.screenName(), u"AccountRecovery"_s);
    driver.type(u"recoveryEmailField"_s, kRelativeEmail);
    driver.clickThenRead(u"recoverySend"_s, u"recoveryErrorText"_s, offline);
    QVERIFY(driver.isShown(u"recoverySend"_s));
    QVERIFY(!driver.isShown(u"recoveryCodeField"_s));
    driver.go(u"recoveryBack"_s, u"RelativeDashboard"_s);
    QCOMPARE(driver.textOf(u"overviewPlayerName"_s), u"Mads Holm"_s);

    // An overview that never had an answer offers "Prøv igen".
    RelativeDashboardViewModel fresh(driver.app().session(), driver.app().api());
    QVERIFY(runTask(fresh.load()).finished);
    QVERIFY(!fresh.hasData());
    QCOMPARE(fresh.placeholderText(), offline);
    backend.start();
    QVERIFY(runTask(fresh.load()).finished);
    QCOMPARE(fresh.playerName(), u"Mads Holm"_s);

    driver.go(u"relativeLogOut"_s, u"RoleSelection"_s);
    QVERIFY(!driver.preferences().contains(keys::relativePairingToken));
}

void RelativeAndRecoveryJourneyTest::bothRolesRecoverTheirAccountsOnANewMac() {
    BackendProcess backend;
    {
        AppDriver setup(backend);
        QVERIFY(setup.started());
        QVERIFY(!createPlayer(setup).isEmpty());
        const auto linked = runTask(setup.app().api().pairRelative(kPairingCode, kRelativeEmail));
        QVERIFY(linked.value && linked.value->success == true);
        // Recovery reaches only addresses their owners confirmed.
        QCOMPARE(backend.confirmMailedAddresses(u"player_confirmation"_s), 1);
        QCOMPARE(backend.confirmMailedAddresses(u"relative_confirmation"_s), 1);
    }

    // The player, on a Mac that has never seen the account.
    {
        AppDriver driver(backend);
        QVERIFY(driver.started());
        driver.go(u"recoverPlayer"_s, u"AccountRecovery"_s);
        QVERIFY(driver.item(u"recoveryRolePlayer"_s)->property("selected").toBool());
        driver.type(u"recoveryEmailField"_s, u"mads"_s);
        QVERIFY(!driver.item(u"recoverySend"_s)->isEnabled());
        driver.type(u"recoveryEmailField"_s, u"@example.dk"_s);
        driver.screenshot(u"recovery-player-email"_s);
        driver.click(u"recoverySend"_s);
        driver.item(u"recoveryCodeField"_s);
        const QString code = recoveryCodeMailedTo(backend, kPlayerEmail);
        QCOMPARE(code.size(), 6);

        // A wrong code: the one fixed message, never the backend's; the code stays to be corrected.
        const QString wrong = code == QLatin1String("000000") ? u"111111"_s : u"000000"_s;
        driver.type(u"recoveryCodeField"_s, wrong);
        driver.clickThenRead(u"recoveryVerify"_s, u"recoveryErrorText"_s,
                             u"Koden kunne ikke bekræftes. Prøv igen eller bed om en ny kode."_s);
        QCOMPARE(driver.textOf(u"recoveryCodeField"_s), wrong.left(3) + ' ' + wrong.mid(3));
        QCOMPARE(driver.screenName(), u"AccountRecovery"_s);
        driver.screenshot(u"recovery-player-wrong-code"_s);

        driver.retype(u"recoveryCodeField"_s, code);
        driver.click(u"recoveryVerify"_s);
        // Where a finished onboarding leads: the protection setup until the layers hold.
        QTRY_VERIFY_WITH_TIMEOUT(driver.screenName() == QLatin1String("ProtectionSetup") ||
                                     driver.screenName() == QLatin1String("PlayerDashboard"),
                                 10000);
        PreferenceStore& preferences = driver.preferences();
        QCOMPARE(preferences.text(keys::macRole), u"player"_s);
        QVERIFY(preferences.boolean(keys::macSetupComplete));
        QCOMPARE(preferences.text(keys::playerName), u"Mads Holm"_s);
        QCOMPARE(preferences.text(keys::masterPIN), u"1234"_s);
        QCOMPARE(preferences.text(keys::pairingCode), kPairingCode);
        QVERIFY(preferences.real(keys::lastGamblingDate) > 0);
        const auto devices =
            backend.rows(QStringLiteral("SELECT p.email FROM devices d JOIN players p ON p.id = d.player_id "
                                        "WHERE d.device_token = '%1'")
                             .arg(driver.app().session().deviceToken()));
        QCOMPARE(devices, (QList<QVariantList>{{kPlayerEmail}}));
        driver.screenshot(u"recovery-player-done"_s);
    }

    // The relative, from the pairing screen's prompt, first with an address that has no account.
    AppDriver driver(backend);
    QVERIFY(driver.started());
    driver.go(u"chooseRelative"_s, u"RelativePairing"_s);
    driver.go(u"existingAccountLogin"_s, u"AccountRecovery"_s);
    QVERIFY(driver.item(u"recoveryRoleRelative"_s)->property("selected").toBool());
    driver.type(u"recoveryEmailField"_s, u"nobody@example.dk"_s);
    driver.screenshot(u"recovery-relative-email"_s);
    driver.click(u"recoverySend"_s);
    driver.item(u"recoveryCodeField"_s);
    driver.screenshot(u"recovery-relative-code-step"_s);
    driver.click(u"recoveryNewCode"_s);
    QCOMPARE(driver.textOf(u"recoveryEmailField"_s), u"nobody@example.dk"_s);
    QVERIFY(driver.item(u"recoveryRoleRelative"_s)->property("selected").toBool());

    driver.retype(u"recoveryEmailField"_s, kRelativeEmail);
    driver.click(u"recoverySend"_s);
    const QString code = recoveryCodeMailedTo(backend, kRelativeEmail);
    QCOMPARE(code.size(), 6);
    // The outbox is written in order, so a mail for the address without an account would be there by now.
    QVERIFY(recoveryCodeMailedTo(backend, u"nobody@example.dk"_s, 0).isEmpty());
    // Typed with full-width digits, as some keyboards give them.
    QString fullWidth;
    for (const QChar digit : code) {
        fullWidth += QChar(0xFF10 + digit.digitValue());
    }
    driver.type(u"recoveryCodeField"_s, fullWidth);
    driver.go(u"recoveryVerify"_s, u"RelativeDashboard"_s);
    QTRY_COMPARE(driver.textOf(u"overviewPlayerName"_s), u"Mads Holm"_s);
    QCOMPARE(driver.preferences().text(keys::macRole), u"relative"_s);
    QCOMPARE(backend.rows(u"SELECT pairing_token FROM relatives"_s),
             (QList<QVariantList>{{driver.preferences().text(keys::relativePairingToken)}}));
    driver.screenshot(u"recovery-relative-done"_s);
}

QTEST_MAIN(RelativeAndRecoveryJourneyTest)
#include "RelativeAndRecoveryJourneyTest.moc"
