#include "EventLog.h"

#include "AbuseLimits.h"
#include "Accounts.h"
#include "Database.h"
#include "ServerClock.h"
#include "WebSessions.h"

#include <QSqlQuery>

namespace molvena::server {

const QStringList& EventLog::knownBrowsers() {
    static const QStringList browsers{QStringLiteral("Firefox"),  QStringLiteral("Google Chrome"),
                                      QStringLiteral("Chromium"), QStringLiteral("Microsoft Edge"),
                                      QStringLiteral("Brave"),    QStringLiteral("Vivaldi")};
    return browsers;
}

std::optional<EventLog::Entry> EventLog::alertEntry(const QString& reason, const QString& browser) {
    if (reason == QLatin1String("mac_browser_dns_bypass")) {
        if (!knownBrowsers().contains(browser)) {
            return std::nullopt;
        }
        return Entry{QStringLiteral("protection"),
                     QStringLiteral("%1 går uden om webbeskyttelsen på Mac").arg(browser),
                     QStringLiteral("Browseren bruger sin egen DNS, så gambling-sider kan åbne i den.")};
    }
    if (reason == QLatin1String("mac_vpn_detected")) {
        return Entry{QStringLiteral("vpn"), QStringLiteral("VPN slået til på Mac"),
                     QStringLiteral("En VPN kan omgå webbeskyttelsen.")};
    }
    if (reason == QLatin1String("mac_launch_at_login_removed")) {
        return Entry{QStringLiteral("protection"), QStringLiteral("Automatisk start slået fra på Mac"),
                     QStringLiteral("Molvena starter ikke længere automatisk ved log-ind.")};
    }
    if (reason == QLatin1String("mac_dns_profile_removed_externally")) {
        return Entry{QStringLiteral("protection"), QStringLiteral("Webbeskyttelsen er fjernet på Mac"),
                     QStringLiteral("Beskyttelsesprofilen blokerer ikke længere gambling-sider.")};
    }
    if (reason == QLatin1String("mac_protection_removed_externally")) {
        return Entry{QStringLiteral("protection"), QStringLiteral("Beskyttelsen på Mac er slået fra"),
                     QStringLiteral("Både webbeskyttelsen og den automatiske start mangler.")};
    }
    if (reason == QLatin1String("blocked_site")) {
        return Entry{QStringLiteral("blocked"), QStringLiteral("Gambling-side blokeret"), QString()};
    }
    return std::nullopt;
}

EventLog::EventLog(Database& database, const ServerClock& clock, Accounts& accounts, WebSessions& webSessions)
    : m_database(database), m_clock(clock), m_accounts(accounts), m_webSessions(webSessions) {}

qint64 EventLog::record(qint64 playerId, const Entry& entry, const QString& domain, const QString& reason) {
    const auto nullable = [](const QString& text) {
        return text.isEmpty() ? QVariant(QMetaType(QMetaType::QString)) : QVariant(text);
    };
    const qint64 id = m_database.insert(
        QStringLiteral("INSERT INTO events (player_id, type, title, subtitle, domain, reason, created_at) "
                       "VALUES (?, ?, ?, ?, ?, ?, ?)"),
        {playerId, entry.type, entry.title, nullable(entry.subtitle), nullable(domain), nullable(reason),
         m_clock.nowSeconds()});
    // Nobody reads further back than the newest few hundred, so older ones go as new ones come and
    // a player's history stays bounded whatever raises events. Mail rows are the outbox's.
    m_database.run(QStringLiteral("DELETE FROM events WHERE player_id = ? AND id < (SELECT id FROM events "
                                  "WHERE player_id = ? ORDER BY id DESC LIMIT 1 OFFSET ?)"),
                   {playerId, playerId, limits::eventsKeptPerPlayer - 1});
    return id;
}

qint64 EventLog::raiseAlert(const PlayerRecord& player, const QString& reason, const Entry& entry,
                            const QString& domain) {
    const qint64 eventId = record(player.id, entry, domain, reason);
    // Relatives see what happened, never which site: the overview shows no browsing.
    const QString subject = QStringLiteral("Molvena: %1 hos %2").arg(entry.title, player.name);
    QString body = QStringLiteral("Hej\n\nMolvena har registreret en hændelse hos %1:\n\n%2\n")
                       .arg(player.name, entry.title);
    if (!entry.subtitle.isEmpty()) {
        body += entry.subtitle + QLatin1Char('\n');
    }
    body += QStringLiteral("Tidspunkt: %1\n\n").arg(m_clock.displayTime(m_clock.nowSeconds()));
    for (const RelativeRecord& relative : m_accounts.relativesOf(player.id)) {
        if (!relative.confirmed || !relative.alertsOn) {
            continue;
        }
        const QString unsubscribe = m_webSessions.unsubscribeLink(relative.id);
        m_webSessions.mail(
            relative.id, relative.email, QStringLiteral("alert"), subject,
            [&](const QString& link) {
                return body +
                       QStringLiteral("Du kan følge med i Molvena-appen under Støtteoverblik eller på "
                                      "nettet. Linket her logger dig ind; det virker i en uge og kan "
                                      "bruges én gang:\n\n%1\n\nVil du ikke have flere advarsler på "
                                      "e-mail, kan du afmelde dem her:\n%2\n\nVenlig hilsen\nMolvena\n")
                           .arg(link, unsubscribe);
            },
            eventId, true);
    }
    return eventId;
}

void EventLog::noteSilentDevices(qint64 playerId) {
    const qint64 now = m_clock.nowSeconds();
    QSqlQuery silent = m_database.run(
        QStringLiteral(
            "SELECT device_token, reported_at FROM device_status WHERE player_id = ? AND active = 1 "
            "AND reported_at <= ? AND (silence_noted_at IS NULL OR silence_noted_at < reported_at)"),
        {playerId, now - limits::silentAfterSeconds});
    QList<QPair<QString, qint64>> devices;
    while (silent.next()) {
        devices.append({silent.value(0).toString(), silent.value(1).toLongLong()});
    }
    silent.finish();
    for (const auto& [deviceToken, reportedAt] : devices) {
        Database::Transaction transaction(m_database);
        // Only one request (of possibly several instances) notes one silence.
        const int claimed =
            m_database
                .run(QStringLiteral("UPDATE device_status SET silence_noted_at = ? WHERE "
                                    "device_token = ? AND reported_at = ? AND "
                                    "(silence_noted_at IS NULL OR silence_noted_at < reported_at)"),
                     {now, deviceToken, reportedAt})
                .numRowsAffected();
        if (claimed == 1) {
            record(playerId, {QStringLiteral("protection"), QStringLiteral("Mac'en har ikke meldt sig"),
                              QStringLiteral("Molvena på Mac har ikke sendt status i over 15 minutter.")});
        }
        transaction.commit();
    }
}

void EventLog::deviceLeft(const PlayerRecord& player, const QString& deviceName) {
    raiseAlert(player, QString(),
               {QStringLiteral("device"), QStringLiteral("En Mac har forladt kontoen"),
                deviceName.isEmpty() ? QStringLiteral("Mac") : deviceName},
               QString());
}

} // namespace molvena::server
