#include "APIClient.h"

#include "StrictJson.h"
#include "app/DebugLog.h"
#include "app/Deployment.h"
#include "app/LaterDeleter.h"

#include <QCoro/QCoroNetworkReply>
#include <QJsonDocument>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QStringDecoder>
#include <QUuid>

#include <algorithm>
#include <clocale>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <stdexcept>
#include <string_view>
#if defined(__APPLE__)
#include <xlocale.h>
#else
#include <locale.h>
#endif

namespace molvena {

namespace {

const QByteArray kFormContentType = "application/x-www-form-urlencoded; charset=utf-8";
const QString kPlatform = QStringLiteral("macos");
const QString kCountry = QStringLiteral("DK");
const QString kAccountEndpoint = QStringLiteral("mac_account.php");

// URLSession's default request time-out, used where a request keeps the platform's defaults.
constexpr std::chrono::milliseconds kPlatformDefaultTimeout{60'000};

// Letters, digits and !$'()*,-./:;_~ stay as they are.
bool isUnescaped(char byte) {
    if ((byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') || (byte >= '0' && byte <= '9')) {
        return true;
    }
    static constexpr std::string_view marks = "!$'()*,-./:;_~";
    return byte != '\0' && marks.find(byte) != std::string_view::npos;
}

bool hasUnpairedSurrogate(const QString& text) {
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c.isHighSurrogate()) {
            if (i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
                ++i;
                continue;
            }
            return true;
        }
        if (c.isLowSurrogate()) {
            return true;
        }
    }
    return false;
}

QByteArray percentEncode(const QString& text) {
    const QByteArray utf8 = text.toUtf8();
    if (hasUnpairedSurrogate(text)) {
        return utf8; // "If encoding a text fails, that text is used unencoded."
    }
    static constexpr char hex[] = "0123456789ABCDEF";
    QByteArray encoded;
    encoded.reserve(utf8.size() * 3);
    for (const char byte : utf8) {
        if (isUnescaped(byte)) {
            encoded += byte;
        } else {
            const auto value = static_cast<unsigned char>(byte);
            encoded += '%';
            encoded += hex[value >> 4];
            encoded += hex[value & 0x0F];
        }
    }
    return encoded;
}

// The body as UTF-8 text, or nothing when it is not valid UTF-8.
std::optional<QString> strictUtf8(const QByteArray& bytes) {
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = decoder.decode(bytes);
    if (decoder.hasError()) {
        return std::nullopt;
    }
    return text;
}

QString flag(bool value) {
    return value ? QStringLiteral("1") : QStringLiteral("0");
}

QString describe(const std::exception_ptr& failure) {
    try {
        std::rethrow_exception(failure);
    } catch (const std::exception& error) {
        return QString::fromUtf8(error.what());
    } catch (...) {
        return QStringLiteral("unknown failure");
    }
}

bool isValidAbsolute(const QUrl& url) {
    return url.isValid() && !url.isRelative() && !url.host().isEmpty();
}

} // namespace

struct APIClient::Response {
    QByteArray body;
    std::optional<int> status; // absent for a reply that is not an HTTP response
};

APIClient::APIClient(QUrl base, QUrl blockProxy, QNetworkAccessManager& network,
                     std::chrono::milliseconds timeout, const DeviceInfo& deviceInfo)
    : m_base(std::move(base)), m_blockProxy(std::move(blockProxy)), m_network(network), m_timeout(timeout),
      m_deviceInfo(deviceInfo) {
    if (!isValidAbsolute(m_base)) {
        throw std::invalid_argument("APIClient: the API base is not a valid absolute URL: " +
                                    m_base.toString().toStdString());
    }
    if (!isValidAbsolute(m_blockProxy)) {
        throw std::invalid_argument("APIClient: the block proxy is not a valid absolute URL: " +
                                    m_blockProxy.toString().toStdString());
    }
}

QUrl APIClient::endpointURL(const QString& endpoint) const {
    QUrl url = m_base;
    QString path = url.path();
    if (!path.endsWith(QLatin1Char('/'))) {
        path += QLatin1Char('/');
    }
    url.setPath(path + endpoint);
    return url;
}

QString APIClient::deviceName() const {
    const QString name = m_deviceInfo.computerName();
    return name.isEmpty() ? QStringLiteral("Mac") : name;
}

// ---------------------------------------------------------------------------------------------
// Transport

QByteArray APIClient::encodeForm(const FormFields& fields) {
    QList<QByteArray> pairs;
    pairs.reserve(fields.size());
    for (auto field = fields.cbegin(); field != fields.cend(); ++field) {
        pairs.append(percentEncode(field.key()) + '=' + percentEncode(field.value()));
    }
    // Byte order of UTF-8 is code point order.
    std::sort(pairs.begin(), pairs.end());
    return pairs.join('&');
}

QCoro::Task<APIClient::Response> APIClient::send(QNetworkRequest request, QByteArray verb, QByteArray body,
                                                 std::chrono::milliseconds timeout) const {
    request.setTransferTimeout(int(timeout.count()));
    // Never followed: a redirect would resend the device token and the form to another address.
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
    const DeletedLater<QNetworkReply> reply(verb == "GET" ? m_network.get(request)
                                                          : m_network.post(request, body));
    co_await reply.get();

    const QNetworkReply::NetworkError error = reply->error();
    const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    // Errors of the transfer itself, as opposed to the errors Qt derives from an HTTP status.
    const bool transferFailed =
        (error > QNetworkReply::NoError && error <= QNetworkReply::UnknownNetworkError) ||
        error == QNetworkReply::ProtocolFailure || (error != QNetworkReply::NoError && !status.isValid());
    if (transferFailed) {
        debugLog("API", [&] {
            return QStringLiteral("%1 %2 failed: %3")
                .arg(QString::fromLatin1(verb), request.url().toString(), reply->errorString());
        });
        // Qt reports its transfer time-out as a cancellation; nothing else cancels these requests (the
        // reply is private to this function).
        if (error == QNetworkReply::OperationCanceledError) {
            throw TransportError(QNetworkReply::TimeoutError, QStringLiteral("The request timed out."));
        }
        throw TransportError(error, reply->errorString(),
                             status.isValid() ? std::optional(status.toInt()) : std::nullopt);
    }
    if (status.isValid() && status.toInt() >= 300 && status.toInt() <= 399) {
        throw BackendError(status.toInt(),
                           QStringLiteral("Serveren henviste til en anden adresse (HTTP %1), og den følger "
                                          "Molvena ikke. Prøv igen om et øjeblik.")
                               .arg(status.toInt()));
    }
    Response response{.body = reply->readAll(), .status = std::nullopt};
    if (status.isValid()) {
        response.status = status.toInt();
    }
    co_return response;
}

QCoro::Task<APIClient::Response> APIClient::sendForm(QUrl url, const FormFields& fields) const {
    QNetworkRequest request(url);
    request.setHeader(QNetworkRequest::ContentTypeHeader, kFormContentType);
    // One key per call, which is one user action: Qt's own resend of this request (after a
    // connection closed without a reply) carries the same, so the server answers it without doing
    // the work twice; a deliberate retry calls again and gets a new one.
    request.setRawHeader(QByteArrayLiteral("Idempotency-Key"),
                         QUuid::createUuid().toString(QUuid::WithoutBraces).toLatin1());
    co_return co_await send(std::move(request), "POST", encodeForm(fields), m_timeout);
}

QCoro::Task<QByteArray> APIClient::postForm(QString endpoint, FormFields fields) const {
    Response response = co_await sendForm(endpointURL(endpoint), fields);
    if (!response.status || (*response.status >= 200 && *response.status <= 299)) {
        co_return response.body;
    }
    QString message;
    bool haveMessage = false;
    try {
        const QJsonValue reply = parseJsonReply(response.body);
        const QJsonValue error = reply.toObject().value(QLatin1String("error"));
        if (reply.isObject() && error.isString()) {
            message = error.toString();
            haveMessage = true;
        }
    } catch (const JsonSyntaxError&) {
    }
    if (!haveMessage) {
        const std::optional<QString> text = strictUtf8(response.body);
        message = text && !text->isEmpty() ? *text : QStringLiteral("Serverfejl");
    }
    throw BackendError(*response.status, message);
}

QCoro::Task<QByteArray> APIClient::postFormToURL(QUrl url, FormFields fields) const {
    Response response = co_await sendForm(std::move(url), fields);
    if (response.status && (*response.status < 200 || *response.status > 299)) {
        throw TransportError::badServerResponse(*response.status);
    }
    co_return response.body;
}

void APIClient::requireSuccess(const QByteArray& body) {
    const QJsonValue reply = parseJsonReply(body);
    if (!reply.isObject()) {
        throw BackendError(500, QStringLiteral("Ugyldigt serversvar"));
    }
    const QJsonObject object = reply.toObject();
    if (isSuccessFlag(object.value(QLatin1String("success")))) {
        return;
    }
    const QJsonValue error = object.value(QLatin1String("error"));
    throw BackendError(400, error.isString() ? error.toString()
                                             : QStringLiteral("Handlingen kunne ikke gennemføres"));
}

// ---------------------------------------------------------------------------------------------
// Registration, pairing and recovery

QCoro::Task<> APIClient::registerMacDevice(QString name, QString email, QString masterPIN,
                                           QString pairingCode, QString deviceToken) const {
    const FormFields account{{QStringLiteral("action"), QStringLiteral("register")},
                             {QStringLiteral("device_token"), deviceToken},
                             {QStringLiteral("pairing_code"), pairingCode},
                             {QStringLiteral("name"), name},
                             {QStringLiteral("push_token"), QString()},
                             {QStringLiteral("master_pin"), masterPIN},
                             {QStringLiteral("support_contacts"), QString()},
                             {QStringLiteral("email"), email},
                             {QStringLiteral("country"), kCountry}};
    const QByteArray reply = co_await postForm(QStringLiteral("pairing.php"), account);
    const QJsonValue refusal = QJsonDocument::fromJson(reply).object().value(QLatin1String("error"));
    if (refusal.isString()) {
        throw BackendError(1, refusal.toString());
    }
    const FormFields device{{QStringLiteral("device_token"), deviceToken},
                            {QStringLiteral("device_name"), deviceName()},
                            {QStringLiteral("platform"), kPlatform}};
    try {
        co_await postForm(QStringLiteral("mac_device_register_new.php"), device);
    } catch (...) {
        const std::exception_ptr failure = std::current_exception();
        debugLog("API", [&] { return QStringLiteral("device registration ignored: ") + describe(failure); });
    }
}

QCoro::Task<PairingResult> APIClient::pairRelative(QString code, QString email) const {
    const FormFields fields{{QStringLiteral("action"), QStringLiteral("link")},
                            {QStringLiteral("code"), code},
                            {QStringLiteral("email"), email},
                            {QStringLiteral("country"), kCountry},
                            {QStringLiteral("platform"), kPlatform}};
    const QByteArray reply = co_await postForm(QStringLiteral("pairing.php"), fields);
    co_return decodeStrictly<PairingResult>(reply);
}

QCoro::Task<RelativeActivity> APIClient::fetchRelativeActivity(QString token) const {
    QUrl url = endpointURL(QStringLiteral("relative_activity.php"));
    // Encoded with the form set, so "+", "&", "=" and "%" in a token reach every server unchanged.
    url.setQuery(QStringLiteral("token=") + QString::fromLatin1(percentEncode(token)), QUrl::StrictMode);
    const Response response = co_await send(QNetworkRequest(url), "GET", {}, kPlatformDefaultTimeout);
    co_return decodeStrictly<RelativeActivity>(response.body);
}

QCoro::Task<> APIClient::savePlayerProfile(QString deviceToken, QDateTime lastGamblingDate,
                                           QString locationType, QString gameTypes,
                                           qint64 monthlySpendDKK) const {
    // Integer division truncates toward zero, also before 1970.
    const qint64 seconds = lastGamblingDate.isValid() ? lastGamblingDate.toMSecsSinceEpoch() / 1000 : 0;
    const FormFields fields{{QStringLiteral("device_token"), deviceToken},
                            {QStringLiteral("last_gambling_date"), QString::number(seconds)},
                            {QStringLiteral("location_type"), locationType},
                            {QStringLiteral("game_types"), gameTypes},
                            {QStringLiteral("monthly_spend_dkk"), QString::number(monthlySpendDKK)}};
    co_await postForm(QStringLiteral("save_player_profile.php"), fields);
}

QCoro::Task<> APIClient::requestRecoveryCode(QString email, UserRole role) const {
    const FormFields fields{{QStringLiteral("email"), email},
                            {QStringLiteral("role"), role == UserRole::relative ? QStringLiteral("relative")
                                                                                : QStringLiteral("player")}};
    co_await postForm(QStringLiteral("recovery_request.php"), fields);
}

QCoro::Task<RecoveryResult> APIClient::verifyRecoveryCode(QString email, UserRole role, QString code,
                                                          QString deviceToken) const {
    const bool player = role == UserRole::player;
    FormFields fields{
        {QStringLiteral("email"), email},
        {QStringLiteral("role"), player ? QStringLiteral("player") : QStringLiteral("relative")},
        {QStringLiteral("code"), code}};
    if (player) {
        fields.insert(QStringLiteral("device_token"), deviceToken);
        fields.insert(QStringLiteral("device_name"), deviceName());
    }
    const QString endpoint =
        player ? QStringLiteral("mac_recovery_verify.php") : QStringLiteral("recovery_verify.php");
    const QByteArray body = co_await postForm(endpoint, fields);
    const QJsonValue reply = parseJsonReply(body);
    if (!reply.isObject() || !isSuccessFlag(reply.toObject().value(QLatin1String("success")))) {
        throw BackendError(401, QStringLiteral("Recovery failed"));
    }
    co_return recoveryResultFrom(reply.toObject(), email, role);
}

std::optional<double> APIClient::recoveryDate(const QJsonValue& value) {
    if (value.isDouble()) {
        return value.toDouble();
    }
    if (!value.isString()) {
        return std::nullopt;
    }
    const QByteArray text = value.toString().toUtf8();
    if (text.isEmpty()) {
        return std::nullopt;
    }
    // strtod would skip leading white space (C-locale isspace); the whole text must be the number.
    if (std::string_view(" \t\n\v\f\r").find(text.front()) != std::string_view::npos) {
        return std::nullopt;
    }
    // strtod in the C locale, whatever the process's LC_NUMERIC says (Qt sets it from the user's).
    static const locale_t cLocale = newlocale(LC_ALL_MASK, "C", locale_t(nullptr));
    char* end = nullptr;
    const double number = strtod_l(text.constData(), &end, cLocale);
    if (end != text.constData() + text.size()) {
        return std::nullopt;
    }
    return number;
}

RecoveryResult APIClient::recoveryResultFrom(const QJsonObject& reply, const QString& submittedEmail,
                                             UserRole role) {
    const auto text = [&](const char* key) -> std::optional<QString> {
        const QJsonValue value = reply.value(QLatin1String(key));
        return value.isString() ? std::optional(value.toString()) : std::nullopt;
    };
    if (role == UserRole::player) {
        return RecoveryResult{
            .name = text("name"),
            .email = text("email").value_or(submittedEmail),
            .masterPIN = text("master_pin"),
            .pairingCode = text("pairing_code"),
            .playerName = text("name"),
            .lastGamblingDate = recoveryDate(reply.value(QLatin1String("last_gambling_date"))),
        };
    }
    return RecoveryResult{
        .email = submittedEmail,
        .pairingToken = text("pairing_token"),
        .playerName = text("player_name"),
    };
}

// ---------------------------------------------------------------------------------------------
// Reports

QCoro::Task<> APIClient::postReport(QString endpoint, FormFields fields) const {
    try {
        co_await postForm(endpoint, std::move(fields));
    } catch (...) {
        const std::exception_ptr failure = std::current_exception();
        debugLog("API", [&] { return endpoint + QStringLiteral(" report lost: ") + describe(failure); });
    }
}

QCoro::Task<> APIClient::reportDeviceStatus(QString deviceToken, bool active, bool filterActive,
                                            bool launchAtLogin, bool dnsActive, bool vpnActive,
                                            bool heartbeat, QString source, QString pairingCode,
                                            double lastGamblingDate, QStringList bypassingBrowsers) const {
    if (deviceToken.isEmpty()) {
        co_return;
    }
    FormFields fields{{QStringLiteral("device_token"), deviceToken},
                      {QStringLiteral("active"), flag(active)},
                      {QStringLiteral("filter_active"), flag(filterActive)},
                      {QStringLiteral("launch_at_login"), flag(launchAtLogin)},
                      {QStringLiteral("dns_active"), flag(dnsActive)},
                      {QStringLiteral("vpn_active"), flag(vpnActive)},
                      {QStringLiteral("heartbeat"), flag(heartbeat)},
                      {QStringLiteral("source"), source},
                      {QStringLiteral("platform"), kPlatform}};
    if (!pairingCode.isEmpty()) {
        fields.insert(QStringLiteral("pairing_code"), pairingCode);
    }
    if (std::isfinite(lastGamblingDate) && lastGamblingDate > 0) {
        // Whole seconds, the fraction cut off; dates too far out to be whole seconds are not sent.
        const double seconds = std::trunc(lastGamblingDate);
        if (seconds < 9.2e18) {
            fields.insert(QStringLiteral("last_gambling_date"), QString::number(qint64(seconds)));
        }
    }
    if (!bypassingBrowsers.isEmpty()) {
        fields.insert(QStringLiteral("browser_dns_bypass"), bypassingBrowsers.join(QLatin1Char(',')));
    }
    co_await postReport(QStringLiteral("mac_device_status.php"), std::move(fields));
}

QCoro::Task<> APIClient::sendNotification(QString deviceToken, QString reason, QString domain,
                                          QString browser) const {
    if (deviceToken.isEmpty()) {
        co_return;
    }
    FormFields fields{{QStringLiteral("device_token"), deviceToken},
                      {QStringLiteral("reason"), reason},
                      {QStringLiteral("platform"), kPlatform}};
    if (!domain.isEmpty()) {
        fields.insert(QStringLiteral("domain"), domain);
    }
    if (!browser.isEmpty()) {
        fields.insert(QStringLiteral("browser"), browser);
    }
    co_await postReport(QStringLiteral("send_notification.php"), std::move(fields));
}

QCoro::Task<> APIClient::reportBlockedSite(QString deviceToken, QString domain) const {
    if (deviceToken.isEmpty() || domain.isEmpty()) {
        co_return;
    }
    const FormFields fields{{QStringLiteral("device_token"), deviceToken},
                            {QStringLiteral("domain"), domain}};
    try {
        co_await postFormToURL(m_blockProxy, fields);
    } catch (...) {
        const std::exception_ptr failure = std::current_exception();
        debugLog("API", [&] { return QStringLiteral("block proxy report lost: ") + describe(failure); });
    }
    co_await sendNotification(deviceToken, QStringLiteral("blocked_site"), domain);
}

// ---------------------------------------------------------------------------------------------
// Account operations

QCoro::Task<MacAccountProfile> APIClient::fetchAccountProfile(QString deviceToken) const {
    const FormFields fields{{QStringLiteral("action"), QStringLiteral("profile")},
                            {QStringLiteral("device_token"), deviceToken}};
    const QByteArray reply = co_await postForm(kAccountEndpoint, fields);
    co_return decodeStrictly<MacAccountProfile>(reply);
}

QCoro::Task<QList<MacHistoryItem>> APIClient::fetchAccountHistory(QString deviceToken) const {
    const FormFields fields{{QStringLiteral("action"), QStringLiteral("history")},
                            {QStringLiteral("device_token"), deviceToken}};
    const QByteArray reply = co_await postForm(kAccountEndpoint, fields);
    co_return decodeStrictly<MacHistoryResponse>(reply).history;
}

QCoro::Task<> APIClient::updateSupportContacts(QString deviceToken, QString supportContacts,
                                               QString pin) const {
    FormFields fields{{QStringLiteral("action"), QStringLiteral("update_contacts")},
                      {QStringLiteral("device_token"), deviceToken},
                      {QStringLiteral("support_contacts"), supportContacts}};
    if (!pin.isEmpty()) {
        fields.insert(QStringLiteral("pin"), pin);
    }
    requireSuccess(co_await postForm(kAccountEndpoint, fields));
}

QCoro::Task<> APIClient::updateMasterPIN(QString deviceToken, QString currentPIN, QString newPIN) const {
    const FormFields fields{{QStringLiteral("action"), QStringLiteral("update_pin")},
                            {QStringLiteral("device_token"), deviceToken},
                            {QStringLiteral("old_pin"), currentPIN},
                            {QStringLiteral("new_pin"), newPIN}};
    requireSuccess(co_await postForm(kAccountEndpoint, fields));
}

QCoro::Task<> APIClient::updateMonthlySpend(QString deviceToken, qint64 amountDKK) const {
    const FormFields fields{{QStringLiteral("action"), QStringLiteral("update_monthly_spend")},
                            {QStringLiteral("device_token"), deviceToken},
                            {QStringLiteral("monthly_spend_dkk"), QString::number(amountDKK)}};
    requireSuccess(co_await postForm(kAccountEndpoint, fields));
}

QCoro::Task<> APIClient::removeDevice(QString deviceToken, QString pin) const {
    const FormFields fields{{QStringLiteral("action"), QStringLiteral("remove_device")},
                            {QStringLiteral("device_token"), deviceToken},
                            {QStringLiteral("pin"), pin}};
    requireSuccess(co_await postForm(kAccountEndpoint, fields));
}

} // namespace molvena
