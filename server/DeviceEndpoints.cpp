#include "DeviceEndpoints.h"

#include "AbuseLimits.h"
#include "Accounts.h"
#include "ApiReply.h"
#include "AttemptLimiter.h"
#include "Blocklist.h"
#include "Database.h"
#include "EventLog.h"
#include "ProfileDocument.h"
#include "ReplyError.h"
#include "ServerClock.h"
#include "ServerOptions.h"

#include <QSqlQuery>

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
    const QString deviceToken = fields.deviceToken();
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
    // Browsers this server does not know are left out rather than losing the whole report.
    QStringList bypassing;
    for (const QString& browser :
         fields.optionalText(QStringLiteral("browser_dns_bypass"), 200).split(QLatin1Char(','))) {
        if (EventLog::knownBrowsers().contains(browser.trimmed()) && !bypassing.contains(browser.trimmed())) {
            bypassing.append(browser.trimmed());
        }
    }
    const QVariant browserBypass = bypassing.isEmpty() ? QVariant(QMetaType(QMetaType::QString))
                                                       : QVariant(bypassing.join(QLatin1Char(',')));
    const qint64 now = m_context.clock.nowSeconds();
    // A Mac reports every few minutes; one that reports far more often is not the app, and what it
    // sends is not kept, so a copied token cannot fill the disk.
    if (!m_context.limiter.take(QStringLiteral("report"), deviceToken, limits::reportsPerMac)) {
        throw ReplyError(Status::TooManyRequests,
                         QStringLiteral("For mange statusmeldinger. Prøv igen senere."));
    }

    // A heartbeat arrives from every Mac every few minutes, so it costs as few round trips as the
    // rules allow: one read of the Mac with its latest state, the report, the new state.
    Database& database = m_context.database;
    QSqlQuery last = database.run(
        QStringLiteral("SELECT d.player_id, s.active, s.active_since, s.silence_noted_at, s.reported_at "
                       "FROM devices d LEFT JOIN device_status s ON s.device_token = d.device_token "
                       "WHERE d.device_token = ?"),
        {deviceToken});
    if (!last.next()) {
        throw ReplyError(Status::NotFound, QStringLiteral("Denne Mac er ikke tilknyttet en Molvena-konto."));
    }
    const qint64 playerId = last.value(0).toLongLong();
    const bool known = !last.value(1).isNull();
    // A Mac back from a silence starts a new stretch of protection.
    const bool wasActive = known && last.value(1).toInt() == 1 && last.value(3).isNull();
    const QVariant activeSince = !active     ? QVariant(QMetaType(QMetaType::LongLong))
                                 : wasActive ? last.value(2)
                                             : QVariant(now);
    const qint64 previousReport = known ? last.value(4).toLongLong() : 0;
    last.finish();
    database.run(
        QStringLiteral("INSERT INTO device_reports (player_id, device_token, active, filter_active, "
                       "launch_at_login, dns_active, vpn_active, heartbeat, source, platform, pairing_code, "
                       "last_gambling_date, browser_dns_bypass, reported_at) "
                       "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"),
        {playerId, deviceToken, int(active), int(filterActive), int(launchAtLogin), int(dnsActive),
         int(vpnActive), int(heartbeat), source, platform.isEmpty() ? QStringLiteral("macos") : platform,
         pairingCode, lastGamblingDate, browserBypass, now});
    database.run(QStringLiteral("INSERT INTO device_status (device_token, player_id, active, reported_at, "
                                "active_since, silence_noted_at, browser_dns_bypass) "
                                "VALUES (?, ?, ?, ?, ?, NULL, ?) "
                                "ON CONFLICT (device_token) DO UPDATE SET player_id = excluded.player_id, "
                                "active = excluded.active, reported_at = excluded.reported_at, "
                                "active_since = excluded.active_since, silence_noted_at = NULL, "
                                "browser_dns_bypass = excluded.browser_dns_bypass"),
                 {deviceToken, playerId, int(active), now, activeSince, browserBypass});
    // Housekeeping once an hour per Mac, not at every report: the history is kept for a while
    // (what the overview needs is in device_status), and when the Mac was last seen is kept to the
    // hour (device_status has the exact time).
    if (previousReport / limits::hour != now / limits::hour) {
        database.run(QStringLiteral("DELETE FROM device_reports WHERE device_token = ? AND reported_at < ?"),
                     {deviceToken, now - limits::reportRetentionSeconds});
        database.run(QStringLiteral("UPDATE devices SET last_seen_at = ? WHERE device_token = ?"),
                     {now, deviceToken});
    }
    if (active && !wasActive) {
        m_context.events.record(playerId,
                                {QStringLiteral("milestone"), QStringLiteral("Beskyttelsen er aktiv på Mac"),
                                 QStringLiteral("Alle tre sikkerhedslag er på plads.")});
    }
    return ApiReply::success();
}

QHttpServerResponse DeviceEndpoints::sendNotification(const ApiRequest& request) {
    const RequestFields& fields = request.fields;
    const QString deviceToken = fields.deviceToken();
    const QString reason = fields.text(QStringLiteral("reason"), 64);
    const std::optional<QString> domain = fields.domain();
    const QString browser = reason == QLatin1String("mac_browser_dns_bypass")
                                ? fields.choice(QStringLiteral("browser"), EventLog::knownBrowsers())
                                : QString();
    const std::optional<EventLog::Entry> entry = EventLog::alertEntry(reason, browser);
    if (!entry) {
        throw ReplyError(Status::BadRequest, QStringLiteral("Ukendt hændelse."));
    }
    const PlayerRecord player = m_context.accounts.requirePlayerForDevice(deviceToken);
    // Each alert is mail to every confirmed relative, so a player's Macs get a day's worth.
    const QString playerId = QString::number(player.id);
    if (!m_context.limiter.take(QStringLiteral("alert"), playerId, limits::alertsPerPlayer)) {
        throw ReplyError(Status::TooManyRequests,
                         QStringLiteral("For mange hændelser i dag. De næste bliver registreret i morgen."));
    }
    Database::Transaction transaction(m_context.database);
    m_context.events.raiseAlert(player, reason, *entry, domain.value_or(QString()));
    transaction.commit();
    return ApiReply::success();
}

QHttpServerResponse DeviceEndpoints::shieldBlocked(const ApiRequest& request) {
    const QString deviceToken = request.fields.deviceToken();
    const std::optional<QString> domain = request.fields.domain();
    if (!domain) {
        throw ReplyError(Status::BadRequest, QStringLiteral("Domænet mangler."));
    }
    const PlayerRecord player = m_context.accounts.requirePlayerForDevice(deviceToken);
    const qint64 now = m_context.clock.nowSeconds();
    if (!m_context.limiter.take(QStringLiteral("blocked_site"), deviceToken, limits::blockedSitesPerMac)) {
        throw ReplyError(Status::TooManyRequests, QStringLiteral("For mange meldinger. Prøv igen senere."));
    }
    Database::Transaction transaction(m_context.database);
    m_context.database.run(
        QStringLiteral("INSERT INTO blocked_sites (player_id, device_token, domain, blocked_at) "
                       "VALUES (?, ?, ?, ?)"),
        {player.id, deviceToken, *domain, now});
    m_context.database.run(
        QStringLiteral("DELETE FROM blocked_sites WHERE device_token = ? AND blocked_at < ?"),
        {deviceToken, now - limits::reportRetentionSeconds});
    transaction.commit();
    return ApiReply::success();
}

QHttpServerResponse DeviceEndpoints::profile(const ApiRequest& request) {
    const QString deviceToken = request.fields.deviceToken();
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
