#pragma once

#include "Error.h"
#include "MacAccountProfile.h"
#include "MacHistoryItem.h"
#include "PairingResult.h"
#include "RelativeActivity.h"
#include "platform/DeviceInfo.h"
#include "session/RecoveryResult.h"
#include "session/UserRole.h"

#include <QByteArray>
#include <QDateTime>
#include <QJsonObject>
#include <QJsonValue>
#include <QMap>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <QCoro/QCoroTask>

#include <chrono>

class QNetworkAccessManager;
class QNetworkRequest;

namespace molvena {

// Form fields: field name to field value. The order does not matter; encodeForm sorts.
using FormFields = QMap<QString, QString>;

// The app's only gateway to its backend for its account, pairing, recovery and report operations.
// Stateless: every call is independent, and calls may overlap. Every operation is a coroutine on the
// caller's (main) thread's event loop; failures are thrown: BackendError, TransportError,
// JsonSyntaxError, DecodingError (all derive from molvena::Error). The reports never throw.
// Arguments are taken by value so a caller may pass temporaries and co_await later.
class APIClient {
public:
    static constexpr std::chrono::milliseconds defaultTimeout{20'000};

    // `base` is the API root (path "/api/"), `blockProxy` the block-page reporting endpoint (path
    // "/shield_blocked"); a value that is not an absolute, valid URL throws std::invalid_argument.
    // `timeout` is every POST's transfer time-out. `deviceInfo` gives the computer name sent as
    // `device_name`. `network` and `deviceInfo` must outlive the client.
    APIClient(QUrl base, QUrl blockProxy, QNetworkAccessManager& network, std::chrono::milliseconds timeout,
              const DeviceInfo& deviceInfo);
    APIClient(const APIClient&) = delete;
    APIClient& operator=(const APIClient&) = delete;

    const QUrl& base() const { return m_base; }
    const QUrl& blockProxy() const { return m_blockProxy; }
    std::chrono::milliseconds timeout() const { return m_timeout; }

    // `base` with the endpoint name appended as one path component ("count.php" ->
    // ".../api/count.php"); for the other Parts' own requests under the same API root.
    QUrl endpointURL(const QString& endpoint) const;

    // --- Transport ---

    // The form body: names and values percent-encoded (unescaped: letters, digits and
    // !$'()*,-./:;_~; UTF-8 bytes as %XX in upper case; a blank as %20), "name=value" pairs sorted
    // by code point and joined with "&".
    static QByteArray encodeForm(const FormFields& fields);

    // POST the form to endpointURL(endpoint). Returns the body of a 2xx (or non-HTTP) reply; a
    // transport failure throws TransportError; any other HTTP status throws BackendError(status,
    // the reply's JSON `error` text, else the body as UTF-8 when not empty, else "Serverfejl").
    QCoro::Task<QByteArray> postForm(QString endpoint, FormFields fields) const;

    // POST the form to an absolute URL. A status outside 200 to 299 throws
    // TransportError::badServerResponse.
    QCoro::Task<QByteArray> postFormToURL(QUrl url, FormFields fields) const;

    // Succeeds when the body is a JSON object whose `success` is true or exactly 1. Otherwise throws
    // JsonSyntaxError (not JSON), BackendError(500, "Ugyldigt serversvar") (not an object) or
    // BackendError(400, the `error` text or "Handlingen kunne ikke gennemføres").
    static void requireSuccess(const QByteArray& body);

    // --- Registration, pairing and recovery ---

    // pairing.php (action "register"), then mac_device_register_new.php (outcome ignored). A first
    // reply that is a JSON object with a text `error` throws BackendError(1, that text).
    QCoro::Task<> registerMacDevice(QString name, QString email, QString masterPIN, QString pairingCode,
                                    QString deviceToken) const;
    QCoro::Task<PairingResult> pairRelative(QString code, QString email) const;
    // GET relative_activity.php?token=… (the token escaped like a form value) with the platform's default
    // 60 s time-out, not `timeout`; the status plays no part, the body must decode.
    QCoro::Task<RelativeActivity> fetchRelativeActivity(QString token) const;
    // `lastGamblingDate` is sent as whole seconds since 1970, truncated toward zero.
    QCoro::Task<> savePlayerProfile(QString deviceToken, QDateTime lastGamblingDate, QString locationType,
                                    QString gameTypes, qint64 monthlySpendDKK) const;
    QCoro::Task<> requestRecoveryCode(QString email, UserRole role) const;
    // A reply whose `success` is not true throws BackendError(401, "Recovery failed").
    QCoro::Task<RecoveryResult> verifyRecoveryCode(QString email, UserRole role, QString code,
                                                   QString deviceToken) const;

    // --- Reports: never throw, every failure is swallowed ---

    QCoro::Task<> reportDeviceStatus(QString deviceToken, bool active, bool filterActive, bool launchAtLogin,
                                     bool dnsActive, bool vpnActive, bool heartbeat, QString source,
                                     QString pairingCode, double lastGamblingDate,
                                     QStringList bypassingBrowsers = {}) const;
    // `browser` names the browser an alert is about, for "mac_browser_dns_bypass".
    QCoro::Task<> sendNotification(QString deviceToken, QString reason, QString domain = {},
                                   QString browser = {}) const;
    QCoro::Task<> reportBlockedSite(QString deviceToken, QString domain) const;

    // --- Account operations on mac_account.php ---

    QCoro::Task<MacAccountProfile> fetchAccountProfile(QString deviceToken) const;
    QCoro::Task<QList<MacHistoryItem>> fetchAccountHistory(QString deviceToken) const;
    // `pin` is left out of the request when empty.
    QCoro::Task<> updateSupportContacts(QString deviceToken, QString supportContacts, QString pin) const;
    QCoro::Task<> updateMasterPIN(QString deviceToken, QString currentPIN, QString newPIN) const;
    QCoro::Task<> updateMonthlySpend(QString deviceToken, qint64 amountDKK) const;
    // `pin` is always sent, also when empty.
    QCoro::Task<> removeDevice(QString deviceToken, QString pin) const;

    // --- Helpers with rules of their own, public for their tests ---

    // `last_gambling_date` of a recovery reply: a JSON number as is; a text only when the whole text
    // is one C-locale floating-point number (no leading white space, nothing after it); else absent.
    static std::optional<double> recoveryDate(const QJsonValue& value);
    // The RecoveryResult of a successful verification reply.
    static RecoveryResult recoveryResultFrom(const QJsonObject& reply, const QString& submittedEmail,
                                             UserRole role);

private:
    struct Response;

    QString deviceName() const;
    QCoro::Task<Response> send(QNetworkRequest request, QByteArray verb, QByteArray body,
                               std::chrono::milliseconds timeout) const;
    QCoro::Task<Response> sendForm(QUrl url, const FormFields& fields) const;
    QCoro::Task<> postReport(QString endpoint, FormFields fields) const;

    QUrl m_base;
    QUrl m_blockProxy;
    QNetworkAccessManager& m_network;
    std::chrono::milliseconds m_timeout;
    const DeviceInfo& m_deviceInfo;
};

} // namespace molvena
