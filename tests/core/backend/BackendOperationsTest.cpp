// The backend operations: every operation's request on the wire, the replies it accepts and refuses, the
// strict decoding of its records, and the reports that swallow every failure. Real HTTP on loopback.
#include "BackendTestSupport.h"
#include "backend/StrictJson.h"

#include <QElapsedTimer>
#include <QTimeZone>

#include <cmath>
#include <functional>
#include <limits>

using namespace molvena;
using namespace molvena::test;
using namespace std::chrono_literals;

namespace {

// One operation call, its result discarded; captureless lambdas so nothing dangles.
using Call = std::function<QCoro::Task<>(const APIClient&)>;

struct WireRequest {
    QString path;
    QByteArray body;
};
using WireRequests = QList<WireRequest>;

QDateTime utc(int year, int month, int day, qint64 extraMs = 0) {
    return QDateTime(QDate(year, month, day), QTime(0, 0), QTimeZone::utc()).addMSecs(extraMs);
}

QCoro::Task<> status(const APIClient& client, QString token, int onlyFlag, QString code, double date) {
    const auto on = [&](int flag) { return onlyFlag == flag; };
    co_await client.reportDeviceStatus(token, on(0), on(1), on(2), on(3), on(4), on(5),
                                       QStringLiteral("heartbeat"), code, date);
}

// The nine fields of a report without pairing code and date, with exactly one flag set.
QByteArray statusBody(const char* setFlag) {
    const auto flag = [&](const char* name) {
        return QByteArray(name) + (qstrcmp(name, setFlag) == 0 ? "=1" : "=0");
    };
    return flag("active") + "&device_token=mac-1&" + flag("dns_active") + '&' + flag("filter_active") + '&' +
           flag("heartbeat") + '&' + flag("launch_at_login") + "&platform=macos&source=heartbeat&" +
           flag("vpn_active");
}

const QString kAccount = QStringLiteral("/api/mac_account.php");

// The account profile's member names in a reply that decodes.
const QByteArray kFullProfile = R"({"success":true,"name":"Åse","email":"aase@x.dk","master_pin":"1234",
    "pairing_code":"123456","support_contacts":"Anna::1234 5678|Bo::+45 2233 4455","monthly_spend_dkk":2500,
    "last_gambling_date":1700000000.5,"gambling_location_type":"online","gambling_game_types":"casino,poker",
    "unknown_member":[1,2,3]})";
const QByteArray kMinimalProfile = R"({"success":false,"name":"","email":"","master_pin":"","pairing_code":"",
    "support_contacts":"","monthly_spend_dkk":null,"last_gambling_date":null})";

} // namespace

Q_DECLARE_METATYPE(Call)
Q_DECLARE_METATYPE(WireRequests)
Q_DECLARE_METATYPE(RecoveryResult)
Q_DECLARE_METATYPE(UserRole)

class BackendOperationsTest : public QObject {
    Q_OBJECT
private slots:
    void everyOperationSendsItsFields_data();
    void everyOperationSendsItsFields();
    void registerMacDeviceJudgesOnlyTheAccountReply_data();
    void registerMacDeviceJudgesOnlyTheAccountReply();
    void deviceNameFallsBackToMac();
    void fetchRelativeActivityIsAGetDecidedByTheBody_data();
    void fetchRelativeActivityIsAGetDecidedByTheBody();
    void verifyRecoveryCodeBuildsTheResult_data();
    void verifyRecoveryCodeBuildsTheResult();
    void accountRecordsAreDecodedStrictly_data();
    void accountRecordsAreDecodedStrictly();
    void pairRelativeDecodesWithoutJudging_data();
    void pairRelativeDecodesWithoutJudging();
    void accountChangesNeedASuccessReply_data();
    void accountChangesNeedASuccessReply();
    void reportsReturnNormallyWhateverHappens_data();
    void reportsReturnNormallyWhateverHappens();
};

// ---------------------------------------------------------------------------------------------

void BackendOperationsTest::everyOperationSendsItsFields_data() {
    QTest::addColumn<Call>("call");
    QTest::addColumn<WireRequests>("expected");

    QTest::newRow("registerMacDevice: account with empty push_token and support_contacts, then the device")
        << Call([](const APIClient& c) -> QCoro::Task<> {
               co_await c.registerMacDevice("Åse B", "aase@x.dk", "1234", "123456", "mac-1");
           })
        << WireRequests{{"/api/pairing.php",
                         "action=register&country=DK&device_token=mac-1&email=aase%40x.dk&master_pin=1234&"
                         "name=%C3%85se%20B&pairing_code=123456&push_token=&support_contacts="},
                        {"/api/mac_device_register_new.php",
                         "device_name=Annes%20MacBook&device_token=mac-1&platform=macos"}};
    QTest::newRow("pairRelative")
        << Call([](const APIClient& c) -> QCoro::Task<> { co_await c.pairRelative("654321", "bo+1@x.dk"); })
        << WireRequests{
               {"/api/pairing.php", "action=link&code=654321&country=DK&email=bo%2B1%40x.dk&platform=macos"}};

    QTest::newRow("savePlayerProfile: midnight UTC is whole seconds")
        << Call([](const APIClient& c) -> QCoro::Task<> {
               co_await c.savePlayerProfile("mac-1", utc(2024, 3, 1), "online", "casino,poker", 2500);
           })
        << WireRequests{{"/api/save_player_profile.php",
                         "device_token=mac-1&game_types=casino,poker&last_gambling_date=1709251200&"
                         "location_type=online&monthly_spend_dkk=2500"}};
    QTest::newRow("savePlayerProfile: fraction cut off, negative spend")
        << Call([](const APIClient& c) -> QCoro::Task<> {
               co_await c.savePlayerProfile("mac-1", utc(2024, 3, 1, 999), "", "", -250);
           })
        << WireRequests{{"/api/save_player_profile.php",
                         "device_token=mac-1&game_types=&last_gambling_date=1709251200&location_type=&"
                         "monthly_spend_dkk=-250"}};
    QTest::newRow("savePlayerProfile: before 1970 truncates toward zero")
        << Call([](const APIClient& c) -> QCoro::Task<> {
               co_await c.savePlayerProfile("mac-1", utc(1970, 1, 1, -1500), "land", "bingo", 0);
           })
        << WireRequests{{"/api/save_player_profile.php",
                         "device_token=mac-1&game_types=bingo&last_gambling_date=-1&location_type=land&"
                         "monthly_spend_dkk=0"}};

    QTest::newRow("requestRecoveryCode: relative") << Call([](const APIClient& c) -> QCoro::Task<> {
        co_await c.requestRecoveryCode("r@x.dk", UserRole::relative);
    }) << WireRequests{{"/api/recovery_request.php", "email=r%40x.dk&role=relative"}};
    QTest::newRow("requestRecoveryCode: none asks as player")
        << Call([](const APIClient& c) -> QCoro::Task<> {
               co_await c.requestRecoveryCode("p@x.dk", UserRole::none);
           })
        << WireRequests{{"/api/recovery_request.php", "email=p%40x.dk&role=player"}};
    QTest::newRow("verifyRecoveryCode: player, Mac endpoint with device")
        << Call([](const APIClient& c) -> QCoro::Task<> {
               co_await c.verifyRecoveryCode("p@x.dk", UserRole::player, "123456", "mac-1");
           })
        << WireRequests{
               {"/api/mac_recovery_verify.php",
                "code=123456&device_name=Annes%20MacBook&device_token=mac-1&email=p%40x.dk&role=player"}};
    QTest::newRow("verifyRecoveryCode: relative, no device") << Call([](const APIClient& c) -> QCoro::Task<> {
        co_await c.verifyRecoveryCode("r@x.dk", UserRole::relative, "123456", "mac-1");
    }) << WireRequests{{"/api/recovery_verify.php", "code=123456&email=r%40x.dk&role=relative"}};
    QTest::newRow("verifyRecoveryCode: none counts as relative")
        << Call([](const APIClient& c) -> QCoro::Task<> {
               co_await c.verifyRecoveryCode("r@x.dk", UserRole::none, "000111", "mac-1");
           })
        << WireRequests{{"/api/recovery_verify.php", "code=000111&email=r%40x.dk&role=relative"}};

    // One flag set at a time, so any two flags mixed up show.
    const char* flags[] = {"active",     "filter_active", "launch_at_login",
                           "dns_active", "vpn_active",    "heartbeat"};
    for (int index = 0; index < 6; ++index) {
        QTest::addRow("reportDeviceStatus: nine fields, only %s", flags[index])
            << Call([index](const APIClient& c) -> QCoro::Task<> {
                   return status(c, QStringLiteral("mac-1"), index, QString(), 0);
               })
            << WireRequests{{"/api/mac_device_status.php", statusBody(flags[index])}};
    }
    QTest::newRow("reportDeviceStatus: code and date with a fraction")
        << Call([](const APIClient& c) -> QCoro::Task<> {
               co_await c.reportDeviceStatus("mac-1", true, true, true, true, false, true,
                                             "dns_profile_verified", "123456", 1700000000.75);
           })
        << WireRequests{{"/api/mac_device_status.php",
                         "active=1&device_token=mac-1&dns_active=1&filter_active=1&heartbeat=1&"
                         "last_gambling_date=1700000000&launch_at_login=1&pairing_code=123456&platform=macos&"
                         "source=dns_profile_verified&vpn_active=0"}};
    for (const double date : {-5.0, std::nan(""), std::numeric_limits<double>::infinity(), 0.0}) {
        QTest::addRow("reportDeviceStatus: date %g not sent", date)
            << Call([date](const APIClient& c) -> QCoro::Task<> {
                   return status(c, "mac-1", 0, QString(), date);
               })
            << WireRequests{{"/api/mac_device_status.php", statusBody("active")}};
    }
    QTest::newRow("reportDeviceStatus: empty token sends nothing")
        << Call([](const APIClient& c) -> QCoro::Task<> { return status(c, QString(), 0, "123456", 1e9); })
        << WireRequests{};

    QTest::newRow("sendNotification: no domain field when empty")
        << Call([](const APIClient& c) -> QCoro::Task<> {
               co_await c.sendNotification("mac-1", "mac_dns_profile_removed_externally", "");
           })
        << WireRequests{{"/api/send_notification.php",
                         "device_token=mac-1&platform=macos&reason=mac_dns_profile_removed_externally"}};
    QTest::newRow("sendNotification: with domain")
        << Call([](const APIClient& c) -> QCoro::Task<> {
               co_await c.sendNotification("mac-1", "mac_vpn_detected", "vpn.example");
           })
        << WireRequests{{"/api/send_notification.php",
                         "device_token=mac-1&domain=vpn.example&platform=macos&reason=mac_vpn_detected"}};
    QTest::newRow("sendNotification: empty token sends nothing")
        << Call([](const APIClient& c) -> QCoro::Task<> {
               co_await c.sendNotification("", "mac_vpn_detected", "x");
           })
        << WireRequests{};
    QTest::newRow("reportBlockedSite: block proxy, then the notification")
        << Call([](const APIClient& c) -> QCoro::Task<> {
               co_await c.reportBlockedSite("mac-1", "bet365.dk");
           })
        << WireRequests{{"/shield_blocked", "device_token=mac-1&domain=bet365.dk"},
                        {"/api/send_notification.php",
                         "device_token=mac-1&domain=bet365.dk&platform=macos&reason=blocked_site"}};
    QTest::newRow("reportBlockedSite: empty domain sends nothing")
        << Call([](const APIClient& c) -> QCoro::Task<> { co_await c.reportBlockedSite("mac-1", ""); })
        << WireRequests{};
    QTest::newRow("reportBlockedSite: empty token sends nothing")
        << Call([](const APIClient& c) -> QCoro::Task<> { co_await c.reportBlockedSite("", "bet365.dk"); })
        << WireRequests{};

    QTest::newRow("fetchAccountProfile")
        << Call([](const APIClient& c) -> QCoro::Task<> { co_await c.fetchAccountProfile("mac-1"); })
        << WireRequests{{kAccount, "action=profile&device_token=mac-1"}};
    QTest::newRow("fetchAccountHistory")
        << Call([](const APIClient& c) -> QCoro::Task<> { co_await c.fetchAccountHistory("mac-1"); })
        << WireRequests{{kAccount, "action=history&device_token=mac-1"}};
    QTest::newRow("updateSupportContacts: no pin field when empty")
        << Call([](const APIClient& c) -> QCoro::Task<> {
               co_await c.updateSupportContacts("mac-1", "Anna::1234 5678|Bo::+45 2233 4455", "");
           })
        << WireRequests{{kAccount, "action=update_contacts&device_token=mac-1&"
                                   "support_contacts=Anna::1234%205678%7CBo::%2B45%202233%204455"}};
    QTest::newRow("updateSupportContacts: with pin") << Call([](const APIClient& c) -> QCoro::Task<> {
        co_await c.updateSupportContacts("mac-1", "", "0042");
    }) << WireRequests{{kAccount, "action=update_contacts&device_token=mac-1&pin=0042&support_contacts="}};
    QTest::newRow("updateMasterPIN") << Call([](const APIClient& c) -> QCoro::Task<> {
        co_await c.updateMasterPIN("mac-1", "1234", "5678");
    }) << WireRequests{{kAccount, "action=update_pin&device_token=mac-1&new_pin=5678&old_pin=1234"}};
    QTest::newRow("updateMonthlySpend: negative in decimal")
        << Call(
               [](const APIClient& c) -> QCoro::Task<> { co_await c.updateMonthlySpend("mac-1", -10000001); })
        << WireRequests{
               {kAccount, "action=update_monthly_spend&device_token=mac-1&monthly_spend_dkk=-10000001"}};
    QTest::newRow("removeDevice: pin sent even when empty")
        << Call([](const APIClient& c) -> QCoro::Task<> { co_await c.removeDevice("mac-1", ""); })
        << WireRequests{{kAccount, "action=remove_device&device_token=mac-1&pin="}};
}

void BackendOperationsTest::everyOperationSendsItsFields() {
    QFETCH(Call, call);
    QFETCH(WireRequests, expected);

    LoopbackBackend backend;
    const auto outcome = runTask(call(backend.client));
    QVERIFY(outcome.finished);

    const QList<RecordedRequest>& requests = backend.server.requests();
    QCOMPARE(requests.size(), expected.size());
    for (qsizetype index = 0; index < expected.size(); ++index) {
        const RecordedRequest& request = requests[index];
        QCOMPARE(request.method, QByteArray("POST"));
        QCOMPARE(request.headers.value("content-type"),
                 QByteArray("application/x-www-form-urlencoded; charset=utf-8"));
        QCOMPARE(request.path, expected[index].path);
        QCOMPARE(request.body, expected[index].body);
    }
}

// ---------------------------------------------------------------------------------------------

void BackendOperationsTest::registerMacDeviceJudgesOnlyTheAccountReply_data() {
    QTest::addColumn<ScriptedReply>("accountReply");
    QTest::addColumn<ScriptedReply>("deviceReply");
    QTest::addColumn<int>("requestCount");
    QTest::addColumn<int>("errorCode"); // 0 = succeeds
    QTest::addColumn<QString>("errorMessage");

    const ScriptedReply ok = reply(200, R"({"success":true})");
    QTest::newRow("accepted") << ok << ok << 2 << 0 << QString();
    QTest::newRow("refused with error text: no device request")
        << reply(200, R"({"success":false,"error":"E-mailen er allerede i brug"})") << ok << 1 << 1
        << QStringLiteral("E-mailen er allerede i brug");
    QTest::newRow("an empty error text still refuses")
        << reply(200, R"({"error":""})") << ok << 1 << 1 << QString("");
    QTest::newRow("success true does not outweigh an error text")
        << reply(200, R"({"success":true,"error":"Ugyldig kode"})") << ok << 1 << 1
        << QStringLiteral("Ugyldig kode");
    QTest::newRow("not JSON counts as accepted")
        << reply(200, "OK", "text/plain") << ok << 2 << 0 << QString();
    QTest::newRow("empty body counts as accepted") << reply(200, "") << ok << 2 << 0 << QString();
    QTest::newRow("success false without text error counts as accepted")
        << reply(200, R"({"success":false,"error":42})") << ok << 2 << 0 << QString();
    QTest::newRow("an array counts as accepted") << reply(200, R"(["error"])") << ok << 2 << 0 << QString();
    QTest::newRow("HTTP 409 fails with its status") << reply(409, R"({"error":"Koden er i brug"})") << ok << 1
                                                    << 409 << QStringLiteral("Koden er i brug");
    QTest::newRow("failing device request is ignored") << ok << reply(500, "") << 2 << 0 << QString();
    QTest::newRow("refusing device request is ignored")
        << ok << reply(200, R"({"error":"nej"})") << 2 << 0 << QString();
    QTest::newRow("timed-out device request is ignored")
        << ok << ScriptedReply{.body = {}, .neverAnswer = true} << 2 << 0 << QString();
}

void BackendOperationsTest::registerMacDeviceJudgesOnlyTheAccountReply() {
    QFETCH(ScriptedReply, accountReply);
    QFETCH(ScriptedReply, deviceReply);
    QFETCH(int, requestCount);
    QFETCH(int, errorCode);
    QFETCH(QString, errorMessage);

    LoopbackBackend backend(300ms);
    backend.server.enqueueFor("/api/pairing.php", accountReply);
    backend.server.enqueueFor("/api/mac_device_register_new.php", deviceReply);
    const auto outcome =
        runTask(backend.client.registerMacDevice("Åse", "aase@x.dk", "1234", "123456", "mac-1"));
    QVERIFY(outcome.finished);
    // Everything the operation sends is sent before it ends.
    QCOMPARE(backend.server.requests().size(), requestCount);
    QCOMPARE(backend.server.requests().first().path, QStringLiteral("/api/pairing.php"));
    if (errorCode == 0) {
        QVERIFY2(!outcome.error, describe(outcome.error));
        QCOMPARE(backend.server.requests().last().path, QStringLiteral("/api/mac_device_register_new.php"));
        return;
    }
    const auto error = errorAs<BackendError>(outcome.error);
    QVERIFY2(error, describe(outcome.error));
    QCOMPARE(error->code(), errorCode);
    QCOMPARE(error->message(), errorMessage);
}

void BackendOperationsTest::deviceNameFallsBackToMac() {
    LoopbackBackend backend(2000ms, QString());
    QVERIFY(runTask(backend.client.registerMacDevice("A", "a@x.dk", "1234", "123456", "mac-1")).finished);
    QVERIFY(
        runTask(backend.client.verifyRecoveryCode("a@x.dk", UserRole::player, "123456", "mac-1")).finished);
    QCOMPARE(backend.server.requests().size(), 3);
    QCOMPARE(backend.server.requests()[1].body,
             QByteArray("device_name=Mac&device_token=mac-1&platform=macos"));
    QVERIFY2(backend.server.requests()[2].body.contains("&device_name=Mac&"),
             backend.server.requests()[2].body);
}

// ---------------------------------------------------------------------------------------------

void BackendOperationsTest::fetchRelativeActivityIsAGetDecidedByTheBody_data() {
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QString>("failure"); // empty = decodes; else the error's domain and path
    QTest::addColumn<int>("historyCount");

    const QByteArray summary = R"({"summary":{"days_clean":42,"shield_active":true,"player_name":"Åse")";
    QTest::newRow("full reply")
        << 200 << QByteArray(R"({"summary":{"days_clean":42,"shield_active":true,"player_name":"Åse",
        "shield_start":"2024-01-01","latest_urge":3,"latest_mood":null},"history":[
        {"id":7,"type":"blocked_site","title":"Blokeret side","timestamp":"2024-03-01 12:00:00","sort_time":"1709294400"},
        {"id":6,"type":"urge","title":"Trang","timestamp":"2024-02-29 08:00:00"}]})")
        << QString() << 2;
    QTest::newRow("empty history") << 200 << summary + R"(},"history":[]})" << QString() << 0;
    QTest::newRow("status plays no part: 404 that decodes")
        << 404 << summary + R"(},"history":[]})" << QString() << 0;
    QTest::newRow("history entry without title fails the whole reply")
        << 200
        << summary +
               R"(},"history":[{"id":1,"type":"t","title":"ok","timestamp":"x"},{"id":2,"type":"t","timestamp":"x"}]})"
        << "Decoding history[1].title" << 0;
    QTest::newRow("history missing") << 200 << summary + "}}"
                                     << "Decoding history" << 0;
    QTest::newRow("summary missing") << 200 << QByteArray(R"({"history":[]})") << "Decoding summary" << 0;
    QTest::newRow("days_clean as text")
        << 200
        << QByteArray(
               R"({"summary":{"days_clean":"42","shield_active":true,"player_name":"Å"},"history":[]})")
        << "Decoding summary.days_clean" << 0;
    QTest::newRow("days_clean with a fraction")
        << 200
        << QByteArray(R"({"summary":{"days_clean":4.5,"shield_active":true,"player_name":"Å"},"history":[]})")
        << "Decoding summary.days_clean" << 0;
    QTest::newRow("shield_active as 1")
        << 200
        << QByteArray(R"({"summary":{"days_clean":4,"shield_active":1,"player_name":"Å"},"history":[]})")
        << "Decoding summary.shield_active" << 0;
    QTest::newRow("history id as text")
        << 200 << summary + R"(},"history":[{"id":"1","type":"t","title":"x","timestamp":"x"}]})"
        << "Decoding history[0].id" << 0;
    QTest::newRow("500 HTML page fails as not JSON")
        << 500 << QByteArray("<html>Fejl</html>") << "QJsonParseError" << 0;
}

void BackendOperationsTest::fetchRelativeActivityIsAGetDecidedByTheBody() {
    QFETCH(int, status);
    QFETCH(QByteArray, body);
    QFETCH(QString, failure);
    QFETCH(int, historyCount);

    LoopbackBackend backend;
    backend.server.enqueue(reply(status, body));
    const auto outcome = runTask(backend.client.fetchRelativeActivity("tok+en/=&% ø"));
    QVERIFY(outcome.finished);

    QCOMPARE(backend.server.requests().size(), 1);
    const RecordedRequest& request = backend.server.requests().first();
    QCOMPARE(request.method, QByteArray("GET"));
    QCOMPARE(request.target, QByteArray("/api/relative_activity.php?token=tok%2Ben/%3D%26%25%20%C3%B8"));
    QCOMPARE(request.query.queryItemValue("token", QUrl::FullyDecoded), QStringLiteral("tok+en/=&% ø"));
    QVERIFY(request.body.isEmpty());
    QVERIFY(!request.headers.contains("content-type"));

    if (failure.isEmpty()) {
        QVERIFY2(!outcome.error, describe(outcome.error));
        QCOMPARE(outcome.value->history.size(), historyCount);
        QCOMPARE(outcome.value->summary.playerName, QStringLiteral("Åse"));
        if (historyCount == 2) {
            const RelativeActivity& activity = *outcome.value;
            QCOMPARE(activity.summary.daysClean, 42);
            QCOMPARE(activity.summary.shieldStart, std::optional<QString>("2024-01-01"));
            QCOMPARE(activity.summary.latestUrge, std::optional<qint64>(3));
            QCOMPARE(activity.summary.latestMood, std::nullopt);
            QCOMPARE(activity.history[0].id, 7);
            QCOMPARE(activity.history[0].sortTime, std::optional<QString>("1709294400"));
            QCOMPARE(activity.history[1].title, QStringLiteral("Trang"));
            QCOMPARE(activity.history[1].sortTime, std::nullopt);
        }
        return;
    }
    const auto error = errorAs<Error>(outcome.error);
    QVERIFY2(error, describe(outcome.error));
    const auto decoding = errorAs<DecodingError>(outcome.error);
    QCOMPARE(decoding ? error->domain() + ' ' + decoding->path() : error->domain(), failure);
    QVERIFY(!error->description().isEmpty());
}

// ---------------------------------------------------------------------------------------------

void BackendOperationsTest::verifyRecoveryCodeBuildsTheResult_data() {
    QTest::addColumn<UserRole>("role");
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<RecoveryResult>("result");
    QTest::addColumn<int>("errorCode"); // 0 = succeeds, -1 = JSON syntax error
    QTest::addColumn<QString>("errorMessage");

    const QString sent = QStringLiteral("sent@x.dk");
    const auto player = [&](QByteArray members, std::optional<double> date) {
        return std::pair(
            QByteArray(R"({"success":true,"name":"Åse")") + members + '}',
            RecoveryResult{.name = "Åse", .email = sent, .playerName = "Åse", .lastGamblingDate = date});
    };

    QTest::newRow("player: only success and name")
        << UserRole::player << 200 << QByteArray(R"({"success":true,"name":"Åse"})")
        << RecoveryResult{.name = "Åse", .email = sent, .playerName = "Åse"} << 0 << QString();
    QTest::newRow("player: everything, success 1")
        << UserRole::player << 200
        << QByteArray(
               R"({"success":1,"name":"Åse","email":"aase@x.dk","master_pin":"1234","pairing_code":"123456",
                          "last_gambling_date":1700000000.5,"pairing_token":"ignored","player_name":"ignored"})")
        << RecoveryResult{.name = "Åse",
                          .email = "aase@x.dk",
                          .masterPIN = "1234",
                          .pairingCode = "123456",
                          .playerName = "Åse",
                          .lastGamblingDate = 1700000000.5}
        << 0 << QString();
    QTest::newRow("player: members of the wrong type are absent")
        << UserRole::player << 200
        << QByteArray(R"({"success":true,"name":5,"email":null,"master_pin":1234,"pairing_code":123456})")
        << RecoveryResult{.email = sent} << 0 << QString();

    // last_gambling_date conversion.
    const std::pair<const char*, std::optional<double>> dates[] = {
        {R"("1700000000")", 1700000000.0},
        {R"("1700000000.25")", 1700000000.25},
        {R"("1.7e9")", 1.7e9},
        {R"("-12")", -12.0},
        {R"(" 1700000000")", std::nullopt},
        {R"("1700000000 ")", std::nullopt},
        {R"("\t5")", std::nullopt},
        {R"("")", std::nullopt},
        {R"("12abc")", std::nullopt},
        {R"("1,5")", std::nullopt},
        {R"(true)", std::nullopt},
        {R"(null)", std::nullopt},
        {R"([1700000000])", std::nullopt},
        {R"({"s":1})", std::nullopt},
        {R"(0)", 0.0},
        {R"(-3.5)", -3.5},
    };
    for (const auto& [json, date] : dates) {
        const auto [body, result] = player(QByteArray(R"(,"last_gambling_date":)") + json, date);
        QTest::addRow("player: date %s", json) << UserRole::player << 200 << body << result << 0 << QString();
    }

    QTest::newRow("relative: token and player name, e-mail as sent")
        << UserRole::relative << 200
        << QByteArray(
               R"({"success":true,"pairing_token":"tok","player_name":"Åse","name":"x","email":"other@x.dk",
                          "master_pin":"1234"})")
        << RecoveryResult{.email = sent, .pairingToken = "tok", .playerName = "Åse"} << 0 << QString();
    QTest::newRow("relative: numeric token is absent")
        << UserRole::relative << 200 << QByteArray(R"({"success":true,"pairing_token":17})")
        << RecoveryResult{.email = sent} << 0 << QString();

    const RecoveryResult none;
    QTest::newRow("success as text \"true\"")
        << UserRole::player << 200 << QByteArray(R"({"success":"true","name":"Å"})") << none << 401
        << QStringLiteral("Recovery failed");
    QTest::newRow("success false with error")
        << UserRole::relative << 200 << QByteArray(R"({"success":false,"error":"Forkert kode"})") << none
        << 401 << QStringLiteral("Recovery failed");
    QTest::newRow("success missing") << UserRole::player << 200 << QByteArray(R"({"name":"Å"})") << none
                                     << 401 << QStringLiteral("Recovery failed");
    QTest::newRow("array") << UserRole::player << 200 << QByteArray("[true]") << none << 401
                           << QStringLiteral("Recovery failed");
    QTest::newRow("not JSON") << UserRole::player << 200 << QByteArray("OK") << none << -1 << QString();
    QTest::newRow("HTTP 429 fails with its status")
        << UserRole::player << 429 << QByteArray(R"({"success":false,"error":"For mange forsøg"})") << none
        << 429 << QStringLiteral("For mange forsøg");
}

void BackendOperationsTest::verifyRecoveryCodeBuildsTheResult() {
    QFETCH(UserRole, role);
    QFETCH(int, status);
    QFETCH(QByteArray, body);
    QFETCH(int, errorCode);
    QFETCH(QString, errorMessage);

    LoopbackBackend backend;
    backend.server.enqueue(reply(status, body));
    const auto outcome = runTask(backend.client.verifyRecoveryCode("sent@x.dk", role, "123456", "mac-1"));
    QVERIFY(outcome.finished);
    const QByteArray mismatch = mismatchedFailure(outcome.error, errorCode, errorMessage);
    QVERIFY2(mismatch.isEmpty(), mismatch.constData());
    if (errorCode == 0) {
        QTEST(*outcome.value, "result");
    }
}

// ---------------------------------------------------------------------------------------------

void BackendOperationsTest::accountRecordsAreDecodedStrictly_data() {
    QTest::addColumn<QString>("operation"); // "profile" or "history"
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QString>("failure"); // empty = decodes; "Decoding <path> <kind>", or the error's domain

    QTest::newRow("profile: every member") << "profile" << 200 << kFullProfile << QString();
    QTest::newRow("profile: optional members null or missing")
        << "profile" << 200 << kMinimalProfile << QString();
    const auto without = [](const char* member) {
        QByteArray body = kMinimalProfile;
        const QByteArray pattern = QByteArray("\"") + member + "\":";
        const qsizetype start = body.indexOf(pattern);
        const qsizetype end = body.indexOf(',', start);
        return body.remove(start, end - start + 1);
    };
    const auto with = [](const char* member, const char* json) {
        return QByteArray(kMinimalProfile).replace("}", QByteArray(",\"") + member + "\":" + json + "}");
    };
    QTest::newRow("profile: master_pin missing")
        << "profile" << 200 << without("master_pin") << "Decoding master_pin 4865";
    QTest::newRow("profile: success missing")
        << "profile" << 200 << without("success") << "Decoding success 4865";
    QTest::newRow("profile: name null")
        << "profile" << 200 << QByteArray(kMinimalProfile).replace(R"("name":"")", R"("name":null)")
        << "Decoding name 4865";
    QTest::newRow("profile: pairing_code as a number")
        << "profile" << 200
        << QByteArray(kMinimalProfile).replace(R"("pairing_code":"")", R"("pairing_code":123456)")
        << "Decoding pairing_code 4864";
    QTest::newRow("profile: success as text")
        << "profile" << 200
        << QByteArray(kMinimalProfile).replace(R"("success":false)", R"("success":"true")")
        << "Decoding success 4864";
    QTest::newRow("profile: monthly spend as text")
        << "profile" << 200 << with("monthly_spend_dkk", R"("2500")") << "Decoding monthly_spend_dkk 4864";
    QTest::newRow("profile: monthly spend with a fraction")
        << "profile" << 200 << with("monthly_spend_dkk", "2500.5") << "Decoding monthly_spend_dkk 4864";
    QTest::newRow("profile: date as text")
        << "profile" << 200 << with("last_gambling_date", R"("1700000000")")
        << "Decoding last_gambling_date 4864";
    QTest::newRow("profile: game types as array")
        << "profile" << 200 << with("gambling_game_types", R"(["casino"])")
        << "Decoding gambling_game_types 4864";
    QTest::newRow("profile: an array, not an object")
        << "profile" << 200 << QByteArray("[]") << "Decoding  4864";
    QTest::newRow("profile: not JSON") << "profile" << 200 << QByteArray("Fejl") << "QJsonParseError";
    QTest::newRow("profile: HTTP 404 before decoding")
        << "profile" << 404 << QByteArray(R"({"error":"Ukendt enhed"})") << "Molvena";

    const QByteArray entry =
        R"({"id":"e1","type":"blocked","title":"Blokeret","created_at":"2024-03-01 12:00:00")";
    QTest::newRow("history: entries in order, optional members absent")
        << "history" << 200
        << QByteArray(R"({"success":true,"history":[)") + entry +
               R"(,"subtitle":"bet365.dk","domain":"bet365.dk"},)" +
               R"({"id":"e0","type":"vpn","title":"VPN","subtitle":null,"created_at":"2024-02-01 08:00:00"}]})"
        << QString();
    QTest::newRow("history: empty list")
        << "history" << 200 << QByteArray(R"({"success":true,"history":[]})") << QString();
    QTest::newRow("history: missing")
        << "history" << 200 << QByteArray(R"({"success":true})") << "Decoding history 4865";
    QTest::newRow("history: null") << "history" << 200 << QByteArray(R"({"success":true,"history":null})")
                                   << "Decoding history 4865";
    QTest::newRow("history: an object")
        << "history" << 200 << QByteArray(R"({"success":true,"history":{}})") << "Decoding history 4864";
    QTest::newRow("history: success missing")
        << "history" << 200 << QByteArray(R"({"history":[]})") << "Decoding success 4865";
    QTest::newRow("history: entry without title")
        << "history" << 200
        << QByteArray(R"({"success":true,"history":[{"id":"e1","type":"x","created_at":"t"}]})")
        << "Decoding history[0].title 4865";
    QTest::newRow("history: numeric id")
        << "history" << 200
        << QByteArray(R"({"success":true,"history":[{"id":1,"type":"x","title":"t","created_at":"t"}]})")
        << "Decoding history[0].id 4864";
    QTest::newRow("history: entry is a text")
        << "history" << 200 << QByteArray(R"({"success":true,"history":["e1"]})")
        << "Decoding history[0] 4864";
}

void BackendOperationsTest::accountRecordsAreDecodedStrictly() {
    QFETCH(QString, operation);
    QFETCH(int, status);
    QFETCH(QByteArray, body);
    QFETCH(QString, failure);

    LoopbackBackend backend;
    backend.server.enqueue(reply(status, body));
    std::exception_ptr thrown;
    if (operation == QLatin1String("profile")) {
        const auto outcome = runTask(backend.client.fetchAccountProfile("mac-1"));
        QVERIFY(outcome.finished);
        thrown = outcome.error;
        if (!thrown && body == kFullProfile) {
            QCOMPARE(*outcome.value,
                     (MacAccountProfile{.success = true,
                                        .name = "Åse",
                                        .email = "aase@x.dk",
                                        .masterPIN = "1234",
                                        .pairingCode = "123456",
                                        .supportContacts = "Anna::1234 5678|Bo::+45 2233 4455",
                                        .monthlySpendDKK = 2500,
                                        .lastGamblingDate = 1700000000.5,
                                        .gamblingLocationType = "online",
                                        .gamblingGameTypes = "casino,poker"}));
        } else if (!thrown) {
            QCOMPARE(*outcome.value, MacAccountProfile{});
        }
    } else {
        const auto outcome = runTask(backend.client.fetchAccountHistory("mac-1"));
        QVERIFY(outcome.finished);
        thrown = outcome.error;
        if (!thrown && !outcome.value->isEmpty()) {
            const QList<MacHistoryItem> expected{
                {.id = "e1",
                 .type = "blocked",
                 .title = "Blokeret",
                 .subtitle = "bet365.dk",
                 .domain = "bet365.dk",
                 .createdAt = "2024-03-01 12:00:00"},
                {.id = "e0", .type = "vpn", .title = "VPN", .createdAt = "2024-02-01 08:00:00"}};
            QCOMPARE(*outcome.value, expected);
        }
    }
    if (failure.isEmpty()) {
        QVERIFY2(!thrown, describe(thrown));
        return;
    }
    const auto error = errorAs<Error>(thrown);
    QVERIFY2(error, describe(thrown));
    const auto decoding = errorAs<DecodingError>(thrown);
    QCOMPARE(decoding ? QStringLiteral("Decoding %1 %2").arg(decoding->path()).arg(decoding->code())
                      : error->domain(),
             failure);
}

// ---------------------------------------------------------------------------------------------

void BackendOperationsTest::pairRelativeDecodesWithoutJudging_data() {
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<PairingResult>("result");
    QTest::addColumn<QString>("failurePath"); // empty = decodes

    QTest::newRow("accepted") << QByteArray(R"({"success":true,"pairing_token":"tok","player_name":"Åse"})")
                              << PairingResult{.success = true, .pairingToken = "tok", .playerName = "Åse"}
                              << QString();
    QTest::newRow("refusal is a result, not an error")
        << QByteArray(R"({"success":false,"error":"Ugyldig kode","pairing_token":null})")
        << PairingResult{.success = false, .error = "Ugyldig kode"} << QString();
    QTest::newRow("empty object") << QByteArray("{}") << PairingResult{} << QString();
    QTest::newRow("success as 1 fails") << QByteArray(R"({"success":1})") << PairingResult{} << "success";
    QTest::newRow("numeric token fails")
        << QByteArray(R"({"pairing_token":12})") << PairingResult{} << "pairing_token";
}

void BackendOperationsTest::pairRelativeDecodesWithoutJudging() {
    QFETCH(QByteArray, body);
    QFETCH(QString, failurePath);
    LoopbackBackend backend;
    backend.server.enqueue(reply(200, body));
    const auto outcome = runTask(backend.client.pairRelative("123456", "r@x.dk"));
    QVERIFY(outcome.finished);
    if (failurePath.isEmpty()) {
        QVERIFY2(!outcome.error, describe(outcome.error));
        QTEST(*outcome.value, "result");
        return;
    }
    const auto error = errorAs<DecodingError>(outcome.error);
    QVERIFY2(error, describe(outcome.error));
    QCOMPARE(error->path(), failurePath);
    QCOMPARE(error->kind(), DecodingError::wrongType);
}

// ---------------------------------------------------------------------------------------------

void BackendOperationsTest::accountChangesNeedASuccessReply_data() {
    QTest::addColumn<Call>("call");
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<int>("errorCode"); // 0 = succeeds, -1 = JSON syntax error
    QTest::addColumn<QString>("errorMessage");

    const Call pin(
        [](const APIClient& c) -> QCoro::Task<> { co_await c.updateMasterPIN("mac-1", "1234", "5678"); });
    const Call contacts(
        [](const APIClient& c) -> QCoro::Task<> { co_await c.updateSupportContacts("mac-1", "A::1", ""); });
    const Call spend(
        [](const APIClient& c) -> QCoro::Task<> { co_await c.updateMonthlySpend("mac-1", 100); });
    const Call remove([](const APIClient& c) -> QCoro::Task<> { co_await c.removeDevice("mac-1", "1234"); });
    const QString refused = QStringLiteral("Handlingen kunne ikke gennemføres");

    QTest::newRow("PIN: success") << pin << 200 << QByteArray(R"({"success":true})") << 0 << QString();
    QTest::newRow("PIN: refused with error text")
        << pin << 200 << QByteArray(R"({"success":false,"error":"Forkert PIN"})") << 400
        << QStringLiteral("Forkert PIN");
    QTest::newRow("PIN: HTTP 403 before the body is judged")
        << pin << 403 << QByteArray(R"({"success":true})") << 403 << QStringLiteral(R"({"success":true})");
    QTest::newRow("contacts: success 1")
        << contacts << 200 << QByteArray(R"({"success":1})") << 0 << QString();
    QTest::newRow("contacts: success as text")
        << contacts << 200 << QByteArray(R"({"success":"true"})") << 400 << refused;
    QTest::newRow("spend: empty object") << spend << 200 << QByteArray("{}") << 400 << refused;
    QTest::newRow("spend: not JSON") << spend << 200 << QByteArray("OK") << -1 << QString();
    QTest::newRow("remove: array") << remove << 200 << QByteArray("[1,2]") << 500
                                   << QStringLiteral("Ugyldigt serversvar");
    QTest::newRow("remove: success 2")
        << remove << 200 << QByteArray(R"({"success":2,"error":7})") << 400 << refused;
}

void BackendOperationsTest::accountChangesNeedASuccessReply() {
    QFETCH(Call, call);
    QFETCH(int, status);
    QFETCH(QByteArray, body);
    QFETCH(int, errorCode);
    QFETCH(QString, errorMessage);

    LoopbackBackend backend;
    backend.server.enqueue(reply(status, body));
    const auto outcome = runTask(call(backend.client));
    QVERIFY(outcome.finished);
    const QByteArray mismatch = mismatchedFailure(outcome.error, errorCode, errorMessage);
    QVERIFY2(mismatch.isEmpty(), mismatch.constData());
}

// ---------------------------------------------------------------------------------------------

void BackendOperationsTest::reportsReturnNormallyWhateverHappens_data() {
    QTest::addColumn<QString>("server");
    QTest::addColumn<Call>("call");
    QTest::addColumn<int>("requestCount"); // what reaches a listening server

    const Call report([](const APIClient& c) -> QCoro::Task<> {
        co_await c.reportDeviceStatus("mac-1", false, false, false, false, true, true, "heartbeat", "123456",
                                      1e9);
    });
    const Call alert([](const APIClient& c) -> QCoro::Task<> {
        co_await c.sendNotification("mac-1", "mac_vpn_detected", "");
    });
    const Call blocked(
        [](const APIClient& c) -> QCoro::Task<> { co_await c.reportBlockedSite("mac-1", "bet365.dk"); });
    // (A dropped connection is left out: Qt resends a request once by itself when the connection closes
    // before any reply, so the count would describe Qt; "unreachable" covers the failure.)
    for (const char* server : {"unreachable", "500", "not JSON", "never answers"}) {
        QTest::addRow("%s: reportDeviceStatus", server) << server << report << 1;
        QTest::addRow("%s: sendNotification", server) << server << alert << 1;
        QTest::addRow("%s: reportBlockedSite", server) << server << blocked << 2;
    }
}

void BackendOperationsTest::reportsReturnNormallyWhateverHappens() {
    QFETCH(QString, server);
    QFETCH(Call, call);
    QFETCH(int, requestCount);

    QElapsedTimer clock;
    clock.start();
    if (server == QLatin1String("unreachable")) {
        UnreachableBackend backend;
        const auto outcome = runTask(call(backend.client));
        QVERIFY(outcome.finished);
        QVERIFY2(!outcome.error, describe(outcome.error));
        return;
    }
    LoopbackBackend backend(300ms);
    if (server == QLatin1String("500")) {
        backend.server.setDefaultReply(reply(500, R"({"error":"Serverfejl"})"));
    } else if (server == QLatin1String("not JSON")) {
        backend.server.setDefaultReply(reply(200, "<html/>", "text/html"));
    } else {
        backend.server.setDefaultReply(ScriptedReply{.body = {}, .neverAnswer = true});
    }
    const auto outcome = runTask(call(backend.client));
    QVERIFY(outcome.finished);
    QVERIFY2(!outcome.error, describe(outcome.error));
    // A failing block proxy does not stop the notification.
    QCOMPARE(backend.server.requests().size(), requestCount);
    QVERIFY2(clock.elapsed() < 5000, "bounded by the 300 ms time-out per request");
}

QTEST_GUILESS_MAIN(BackendOperationsTest)
#include "BackendOperationsTest.moc"
