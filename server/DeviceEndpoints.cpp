#include "DeviceEndpoints.h"

#include "Accounts.h"
#include "ApiReply.h"
#include "Blocklist.h"
#include "Database.h"
#include "EventLog.h"
#include "ProfileDocument.h"
#include "ReplyError.h"
#include "ServerClock.h"
#include "ServerOptions.h"

namespace molvena::server {

namespace {

using Method = Router::Method;
using Status = ReplyError::Status;

} // namespace

void DeviceEndpoints::addRoutes(Router& router) {
    const auto bind = [this](QHttpServerResponse (DeviceEndpoints::*handler)(const ApiRequest&)) {
        return [this, handler](const ApiRequest& request) { return (this->*handler)(request); };
    };
    router.add(QStringLiteral("/api/mac_device_status.php"), Method::Post,
               bind(&DeviceEndpoints::deviceStatus));
    router.add(QStringLiteral("/api/send_notification.php"), Method::Post,
               bind(&DeviceEndpoints::sendNotification));
    router.add(QStringLiteral("/shield_blocked"), Method::Post, bind(&DeviceEndpoints::shieldBlocked));
    router.add(QStringLiteral("/api/get_profile_mac.php"), Method::Get, bind(&DeviceEndpoints::profile));
    router.add(QStringLiteral("/api/count.php"), Method::Get, bind(&DeviceEndpoints::count));
}

QHttpServerResponse DeviceEndpoints::deviceStatus(const ApiRequest& request) {
    const RequestFields& fields = request.fields;
    const QString deviceToken = fields.token(QStringLiteral("device_token"));
    const bool active = fields.flag(QStringLiteral("active"));
    const bool filterActive = fields.flag(QStringLiteral("filter_active"));
    const bool launchAtLogin = fields.flag(QStringLiteral("launch_at_login"));
    const bool dnsActive = fields.flag(QStringLiteral("dns_active"));
    const bool vpnActive = fields.flag(QStringLiteral("vpn_active"));
    const bool heartbeat = fields.flag(QStringLiteral("heartbeat"));
    const QString source = fields.text(QStringLiteral("source"), 64);
    const QString platform = fields.optionalText(QStringLiteral("platform"), 32).trimmed();
    // Both are sent only when the Mac knows them; absent is stored as NULL.
    const QVariant pairingCode = fields.has(QStringLiteral("pairing_code"))
                                     ? QVariant(fields.digits(QStringLiteral("pairing_code"), 6))
                                     : QVariant(QMetaType(QMetaType::QString));
    const QVariant lastGamblingDate =
        fields.has(QStringLiteral("last_gambling_date"))
            ? QVariant(fields.integer(QStringLiteral("last_gambling_date"), 0, 4'102'444'800LL))
            : QVariant(QMetaType(QMetaType::LongLong));
    const PlayerRecord player = m_context.accounts.requirePlayerForDevice(deviceToken);
    const qint64 now = m_context.clock.nowSeconds();

    Database& database = m_context.database;
    Database::Transaction transaction(database);
    const QVariant previous = database.value(
        QStringLiteral("SELECT active FROM device_reports WHERE device_token = ? ORDER BY id DESC LIMIT 1"),
        {deviceToken});
    database.run(
        QStringLiteral("INSERT INTO device_reports (player_id, device_token, active, filter_active, "
                       "launch_at_login, dns_active, vpn_active, heartbeat, source, platform, pairing_code, "
                       "last_gambling_date, reported_at) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"),
        {player.id, deviceToken, int(active), int(filterActive), int(launchAtLogin), int(dnsActive),
         int(vpnActive), int(heartbeat), source, platform.isEmpty() ? QStringLiteral("macos") : platform,
         pairingCode, lastGamblingDate, now});
    database.run(QStringLiteral("UPDATE devices SET last_seen_at = ? WHERE device_token = ?"),
                 {now, deviceToken});
    if (active && previous.toInt() != 1) {
        m_context.events.record(player.id,
                                {QStringLiteral("milestone"), QStringLiteral("Beskyttelsen er aktiv på Mac"),
                                 QStringLiteral("Alle tre sikkerhedslag er på plads.")});
    }
    transaction.commit();
    return ApiReply::success();
}

QHttpServerResponse DeviceEndpoints::sendNotification(const ApiRequest& request) {
    const RequestFields& fields = request.fields;
    const QString deviceToken = fields.token(QStringLiteral("device_token"));
    const QString reason = fields.text(QStringLiteral("reason"), 64);
    const std::optional<QString> domain = fields.domain();
    const std::optional<EventLog::Entry> entry = EventLog::alertEntry(reason);
    if (!entry) {
        throw ReplyError(Status::BadRequest, QStringLiteral("Ukendt hændelse."));
    }
    const PlayerRecord player = m_context.accounts.requirePlayerForDevice(deviceToken);
    Database::Transaction transaction(m_context.database);
    m_context.events.raiseAlert(player, reason, *entry, domain.value_or(QString()));
    transaction.commit();
    return ApiReply::success();
}

QHttpServerResponse DeviceEndpoints::shieldBlocked(const ApiRequest& request) {
    const QString deviceToken = request.fields.token(QStringLiteral("device_token"));
    const std::optional<QString> domain = request.fields.domain();
    if (!domain) {
        throw ReplyError(Status::BadRequest, QStringLiteral("Feltet domain mangler."));
    }
    const PlayerRecord player = m_context.accounts.requirePlayerForDevice(deviceToken);
    m_context.database.run(
        QStringLiteral("INSERT INTO blocked_sites (player_id, device_token, domain, blocked_at) "
                       "VALUES (?, ?, ?, ?)"),
        {player.id, deviceToken, *domain, m_context.clock.nowSeconds()});
    return ApiReply::success();
}

QHttpServerResponse DeviceEndpoints::profile(const ApiRequest& request) {
    const QString deviceToken = request.fields.token(QStringLiteral("device_token"));
    m_context.accounts.requirePlayerForDevice(deviceToken);
    QHttpServerResponse response(QByteArrayLiteral("application/x-apple-aspen-config"),
                                 ProfileDocument::mobileconfig(m_context.options.resolverHost, deviceToken));
    response.addHeader(QByteArrayLiteral("Content-Disposition"),
                       QByteArrayLiteral("attachment; filename=\"Molvena.mobileconfig\""));
    response.addHeader(QByteArrayLiteral("Cache-Control"), QByteArrayLiteral("no-store"));
    return response;
}

QHttpServerResponse DeviceEndpoints::count(const ApiRequest&) {
    return ApiReply::json({{QStringLiteral("count"), m_context.blocklist.count()}});
}

} // namespace molvena::server
