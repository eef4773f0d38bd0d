#include "RelativeOverview.h"

#include "AbuseLimits.h"
#include "Accounts.h"
#include "Database.h"
#include "EventLog.h"
#include "ServerClock.h"

#include <QJsonArray>
#include <QSqlQuery>

namespace molvena::server {

RelativeOverview RelativeOverview::read(const ServerContext& context, const RelativeRecord& relative) {
    const PlayerRecord player = context.accounts.player(relative.playerId);
    const ServerClock& clock = context.clock;
    Database& database = context.database;

    context.events.noteSilentDevices(player.id);
    RelativeOverview overview;
    overview.playerName = player.name;
    overview.daysClean = player.lastGamblingDate ? clock.daysSince(*player.lastGamblingDate) : 0;
    // Active while one of the account's Macs said so within the last three heartbeats.
    const QVariant since = database.value(
        QStringLiteral("SELECT MIN(active_since) FROM device_status WHERE player_id = ? AND active = 1 AND "
                       "reported_at > ?"),
        {player.id, clock.nowSeconds() - limits::silentAfterSeconds});
    if (!since.isNull()) {
        overview.shieldActive = true;
        overview.shieldStart = clock.displayTime(since.toLongLong());
    }
    QSqlQuery events = database.run(QStringLiteral("SELECT id, type, title, created_at FROM events "
                                                   "WHERE player_id = ? ORDER BY id DESC LIMIT 50"),
                                    {player.id});
    while (events.next()) {
        const qint64 at = events.value(3).toLongLong();
        overview.history.append({events.value(0).toLongLong(), events.value(1).toString(),
                                 events.value(2).toString(), clock.displayTime(at),
                                 ServerClock::sortTime(at)});
    }
    return overview;
}

QJsonObject RelativeOverview::toJson() const {
    QJsonObject summary{{QStringLiteral("player_name"), playerName},
                        {QStringLiteral("days_clean"), daysClean},
                        {QStringLiteral("shield_active"), shieldActive}};
    if (shieldStart) {
        summary.insert(QStringLiteral("shield_start"), *shieldStart);
    }
    QJsonArray entries;
    for (const Event& event : history) {
        entries.append(QJsonObject{{QStringLiteral("id"), event.id},
                                   {QStringLiteral("type"), event.type},
                                   {QStringLiteral("title"), event.title},
                                   {QStringLiteral("timestamp"), event.timestamp},
                                   {QStringLiteral("sort_time"), event.sortTime}});
    }
    return {{QStringLiteral("summary"), summary}, {QStringLiteral("history"), entries}};
}

} // namespace molvena::server
