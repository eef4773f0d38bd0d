// The app's real backend client and stores against the real reference server on a free loopback
// port: whole journeys as the app drives them, so a change on either side that breaks the other
// (a field name, a JSON type, a status, a text) fails here.
#include "BackendTesting.h"
#include "ServerHarness.h"
#include "TestSupport.h"

#include <QtTest/QtTest>

using namespace molvena;
using namespace molvena::test;
using namespace std::chrono_literals;

namespace {

// The real server and the real client wired to it.
struct Backend {
    ServerHarness harness;
    QNetworkAccessManager network;
    FixedDeviceInfo mac{QStringLiteral("Annas MacBook Air")};
    APIClient client{harness.apiBase(), harness.blockProxy(), network, 5000ms, mac};
};

// The BackendError an operation ended with; a test failure when it ended otherwise.
template <typename T> BackendError refused(QCoro::Task<T> task) {
    const auto outcome = runTask(std::move(task), 10000);
    if (const std::optional<BackendError> error = errorAs<BackendError>(outcome.error)) {
        return *error;
    }
    QTest::qFail(outcome.finished ? describe(outcome.error).constData() : "did not finish", __FILE__,
                 __LINE__);
    throw std::runtime_error("not refused");
}

const QString annaToken = QStringLiteral("mac-0f1e2d3c-4b5a-6978-8796-a5b4c3d2e1f0");
// 24 February 23:00 UTC, which is 25 February in Denmark.
const qint64 annasLastGamblingDate = QDateTime(QDate(2026, 2, 24), QTime(23, 0), Qt::UTC).toSecsSinceEpoch();

void registerAnna(Backend& backend, const QString& code = QStringLiteral("482917")) {
    completed(backend.client.registerMacDevice(QStringLiteral("Anna"), QStringLiteral("anna@example.dk"),
                                               QStringLiteral("2468"), code, annaToken));
    backend.harness.confirmLinks(QStringLiteral("player_confirmation")); // as Anna does from her mail
    completed(backend.client.savePlayerProfile(
        annaToken, QDateTime::fromSecsSinceEpoch(annasLastGamblingDate, Qt::UTC), QStringLiteral("online"),
        QStringLiteral("Bingo,Poker"), 2500));
}

} // namespace

class ClientServerContractTest : public QObject {
    Q_OBJECT
private slots:
    void playerAlertReachesTheRelativesOverview();
    void recoveryCodesFromTheOutbox();
};

void ClientServerContractTest::playerAlertReachesTheRelativesOverview() {
    Backend backend;
    registerAnna(backend);
    QCOMPARE(backend.harness.rows(QStringLiteral("SELECT device_name FROM devices")),
             (QList<QVariantList>{{QStringLiteral("Annas MacBook Air")}}));

    const PairingResult paired =
        completed(backend.client.pairRelative(QStringLiteral("482917"), QStringLiteral("bo@example.dk")));
    QCOMPARE(paired.playerName, std::optional(QStringLiteral("Anna")));
    QVERIFY(paired.pairingToken.has_value());
    QCOMPARE(backend.harness.confirmRelatives(), 1); // alerts reach only an address that asked for them

    completed(backend.client.reportDeviceStatus(annaToken, true, false, true, true, false, true,
                                                QStringLiteral("dns_profile_verified"),
                                                QStringLiteral("482917"), annasLastGamblingDate + 0.75,
                                                {QStringLiteral("Firefox"), QStringLiteral("Brave")}));
    completed(
        backend.client.sendNotification(annaToken, QStringLiteral("mac_dns_profile_removed_externally")));
    completed(backend.client.sendNotification(annaToken, QStringLiteral("mac_browser_dns_bypass"), {},
                                              QStringLiteral("Firefox")));
    completed(backend.client.reportBlockedSite(annaToken, QStringLiteral("www.unibet.dk")));

    const RelativeActivity activity = completed(backend.client.fetchRelativeActivity(*paired.pairingToken));
    // 25 February in Denmark is 13 days before 10 March.
    QCOMPARE(activity.summary.daysClean, 13);
    QVERIFY(activity.summary.shieldStart.has_value());
    QVERIFY(activity.history.size() >= 4);
    QCOMPARE(activity.history[0].type, QStringLiteral("blocked"));
    QCOMPARE(activity.history[1].title, QStringLiteral("Firefox går uden om webbeskyttelsen på Mac"));
    QCOMPARE(activity.history[2].title, QStringLiteral("Webbeskyttelsen er fjernet på Mac"));
    // The player's own history says why.
    const QList<MacHistoryItem> history = completed(backend.client.fetchAccountHistory(annaToken));
    QCOMPARE(history[1].title, QStringLiteral("Firefox går uden om webbeskyttelsen på Mac"));
    QCOMPARE(history[1].subtitle, std::optional(QStringLiteral(
                                      "Browseren bruger sin egen DNS, så gambling-sider kan åbne i den.")));
    QVERIFY(activity.history[0].id > activity.history[1].id);

    // Each alert also went to the relative's inbox; the blocked site reached the block proxy too.
    const auto mails =
        backend.harness.rows(QStringLiteral("SELECT recipient FROM outbox WHERE kind = 'alert'"));
    QCOMPARE(mails.size(), 3);
    QCOMPARE(mails.first().first().toString(), QStringLiteral("bo@example.dk"));
    QCOMPARE(backend.harness.count(QStringLiteral("SELECT COUNT(*) FROM blocked_sites")), 1);
    // The client sends whole seconds, the fraction cut off.
    QCOMPARE(
        backend.harness.rows(QStringLiteral("SELECT source, dns_active, pairing_code, last_gambling_date, "
                                            "browser_dns_bypass FROM device_reports")),
        (QList<QVariantList>{{QStringLiteral("dns_profile_verified"), 1, QStringLiteral("482917"),
                              annasLastGamblingDate, QStringLiteral("Firefox,Brave")}}));
    QCOMPARE(backend.harness.rows(QStringLiteral("SELECT browser_dns_bypass FROM device_status")),
             (QList<QVariantList>{{QStringLiteral("Firefox,Brave")}}));
}

void ClientServerContractTest::recoveryCodesFromTheOutbox() {
    Backend backend;
    registerAnna(backend);
    const QString email = QStringLiteral("anna@example.dk");
    const QString newMac = QStringLiteral("mac-aaaaaaaa-bbbb-cccc-dddd-eeeeeeeeeeee");
    const auto verify = [&](const QString& code) {
        return refused(backend.client.verifyRecoveryCode(email, UserRole::player, code, annaToken));
    };

    completed(backend.client.requestRecoveryCode(email, UserRole::player));
    QString code;
    // The mail is written after the reply, on the server's own thread.
    QTRY_COMPARE((code = backend.harness.latestRecoveryCode(email)).size(), 6);
    QCOMPARE(completed(backend.client.verifyRecoveryCode(email, UserRole::player, code, newMac)),
             (RecoveryResult{.name = "Anna",
                             .email = "anna@example.dk",
                             .masterPIN = "2468",
                             .pairingCode = "482917",
                             .playerName = "Anna",
                             .lastGamblingDate = double(annasLastGamblingDate)}));

    // Expired after a quarter of an hour.
    completed(backend.client.requestRecoveryCode(email, UserRole::player));
    code = backend.harness.latestRecoveryCode(email);
    backend.harness.advance(15 * 60 + 1);
    const BackendError expired = verify(code);
    QCOMPARE(expired.code(), 401);
    QCOMPARE(expired.message(), QStringLiteral("Recovery failed"));

    completed(backend.client.requestRecoveryCode(email, UserRole::player));
    code = backend.harness.latestRecoveryCode(email);
    const QString wrong =
        code == QLatin1String("000000") ? QStringLiteral("000001") : QStringLiteral("000000");
    for (int attempt = 1; attempt <= 5; ++attempt) {
        QCOMPARE(verify(wrong).code(), 401);
    }
    // The sixth attempt is refused even with the right code.
    QCOMPARE(verify(code).code(), 401);
}

QTEST_GUILESS_MAIN(ClientServerContractTest)
#include "ClientServerContractTest.moc"
