#include "PairingEndpoints.h"

#include "Accounts.h"
#include "ApiReply.h"
#include "AttemptLimiter.h"
#include "Database.h"
#include "EventLog.h"
#include "ReplyError.h"
#include "ServerClock.h"

#include <QJsonArray>
#include <QSqlQuery>

namespace molvena::server {

namespace {

using Method = Router::Method;
using Status = ReplyError::Status;

const QString spendOutOfRange = QStringLiteral("Beløbet er uden for det tilladte interval.");

} // namespace

void PairingEndpoints::addRoutes(Router& router) {
    const auto bind = [this](QHttpServerResponse (PairingEndpoints::*handler)(const ApiRequest&)) {
        return [this, handler](const ApiRequest& request) { return (this->*handler)(request); };
    };
    router.add(QStringLiteral("/api/pairing.php"), Method::Post, bind(&PairingEndpoints::pairing));
    router.add(QStringLiteral("/api/mac_device_register_new.php"), Method::Post,
               bind(&PairingEndpoints::registerDevice));
    router.add(QStringLiteral("/api/save_player_profile.php"), Method::Post,
               bind(&PairingEndpoints::savePlayerProfile));
    router.add(QStringLiteral("/api/relative_activity.php"), Method::Get,
               bind(&PairingEndpoints::relativeActivity));
    router.add(QStringLiteral("/api/mac_player_status.php"), Method::Get,
               bind(&PairingEndpoints::playerStatus));
}

QHttpServerResponse PairingEndpoints::pairing(const ApiRequest& request) {
    const QString action =
        request.fields.choice(QStringLiteral("action"), {QStringLiteral("register"), QStringLiteral("link")});
    return action == QLatin1String("register") ? registerPlayer(request) : linkRelative(request);
}

QHttpServerResponse PairingEndpoints::registerPlayer(const ApiRequest& request) {
    const RequestFields& fields = request.fields;
    const QString deviceToken = fields.token(QStringLiteral("device_token"));
    const QString pairingCode = fields.digits(QStringLiteral("pairing_code"), 6);
    const QString name = fields.text(QStringLiteral("name"), 100);
    const QString email = fields.email();
    const QString pin = fields.digits(QStringLiteral("master_pin"), 4);
    const QString contacts = fields.optionalText(QStringLiteral("support_contacts"), 2000);
    const QString pushToken = fields.optionalText(QStringLiteral("push_token"), 512);
    const QString country = fields.optionalText(QStringLiteral("country"), 8);
    const qint64 now = m_context.clock.nowSeconds();

    Database::Transaction transaction(m_context.database);
    if (const std::optional<PlayerRecord> owner = m_context.accounts.playerForPairingCode(pairingCode)) {
        // The same Mac sending the same code again (a second press after a failed profile save) is
        // the same account; anyone else must draw a new code.
        const std::optional<PlayerRecord> deviceOwner = m_context.accounts.playerForDevice(deviceToken);
        if (!deviceOwner || deviceOwner->id != owner->id) {
            // A refusal the app reads from the reply's `error`, so the status stays 200.
            return ApiReply::json(
                {{QStringLiteral("success"), false},
                 {QStringLiteral("error"), QStringLiteral("Parringskoden er allerede i brug. Gå "
                                                          "tilbage, og start forfra for at få en "
                                                          "ny kode.")}});
        }
        m_context.database.run(
            QStringLiteral("UPDATE players SET name = ?, email = ?, email_key = ?, master_pin = ?, "
                           "support_contacts = ?, push_token = ?, country = ?, updated_at = ? "
                           "WHERE id = ?"),
            {name, email, Accounts::emailKey(email), pin, contacts, pushToken, country, now, owner->id});
    } else {
        const qint64 playerId = m_context.database.insert(
            QStringLiteral(
                "INSERT INTO players (name, email, email_key, master_pin, pairing_code, support_contacts, "
                "push_token, country, created_at, updated_at) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"),
            {name, email, Accounts::emailKey(email), pin, pairingCode, contacts, pushToken, country, now,
             now});
        m_context.accounts.attachDevice(playerId, deviceToken, QString());
        m_context.events.record(playerId, {QStringLiteral("milestone"), QStringLiteral("Konto oprettet"),
                                           QStringLiteral("Velkommen til Molvena.")});
    }
    transaction.commit();
    return ApiReply::success();
}

QHttpServerResponse PairingEndpoints::linkRelative(const ApiRequest& request) {
    const RequestFields& fields = request.fields;
    const QString code = fields.digits(QStringLiteral("code"), 6);
    const QString email = fields.email();
    const QString platform = fields.optionalText(QStringLiteral("platform"), 32).trimmed();
    const QString country = fields.optionalText(QStringLiteral("country"), 8);
    const QString scope = QStringLiteral("link");
    if (m_context.limiter.isBlocked(scope, request.remoteAddress, linkAttemptLimit,
                                    linkAttemptWindowSeconds)) {
        throw ReplyError(Status::TooManyRequests,
                         QStringLiteral("For mange forsøg. Vent et kvarter, og prøv igen."));
    }
    const std::optional<PlayerRecord> player = m_context.accounts.playerForPairingCode(code);
    if (!player) {
        m_context.limiter.recordFailure(scope, request.remoteAddress, linkAttemptWindowSeconds);
        return ApiReply::json(
            {{QStringLiteral("success"), false},
             {QStringLiteral("error"), QStringLiteral("Koden er ikke gyldig. Kontrollér de 6 cifre.")}});
    }
    QString token;
    if (const std::optional<RelativeRecord> known =
            m_context.accounts.relativeForPlayerAndEmail(player->id, email)) {
        token = known->pairingToken;
    } else {
        token = Accounts::newPairingToken();
        Database::Transaction transaction(m_context.database);
        m_context.database.run(
            QStringLiteral("INSERT INTO relatives (player_id, email, email_key, platform, country, "
                           "pairing_token, created_at) VALUES (?, ?, ?, ?, ?, ?, ?)"),
            {player->id, email, Accounts::emailKey(email),
             platform.isEmpty() ? QStringLiteral("macos") : platform, country, token,
             m_context.clock.nowSeconds()});
        m_context.events.record(
            player->id, {QStringLiteral("milestone"), QStringLiteral("Ny støtteperson tilknyttet"), email});
        transaction.commit();
    }
    return ApiReply::success(
        {{QStringLiteral("pairing_token"), token}, {QStringLiteral("player_name"), player->name}});
}

QHttpServerResponse PairingEndpoints::registerDevice(const ApiRequest& request) {
    const RequestFields& fields = request.fields;
    const QString deviceToken = fields.token(QStringLiteral("device_token"));
    const QString deviceName = fields.optionalText(QStringLiteral("device_name"), 100).trimmed();
    const QString platform = fields.optionalText(QStringLiteral("platform"), 32).trimmed();
    m_context.accounts.requirePlayerForDevice(deviceToken);
    m_context.database.run(
        QStringLiteral("UPDATE devices SET device_name = ?, platform = ?, last_seen_at = ? "
                       "WHERE device_token = ?"),
        {deviceName.isEmpty() ? QStringLiteral("Mac") : deviceName,
         platform.isEmpty() ? QStringLiteral("macos") : platform, m_context.clock.nowSeconds(), deviceToken});
    return ApiReply::success();
}

QHttpServerResponse PairingEndpoints::savePlayerProfile(const ApiRequest& request) {
    const RequestFields& fields = request.fields;
    const QString deviceToken = fields.token(QStringLiteral("device_token"));
    // From 1900 to a day ahead of now (a Mac whose clock runs a little fast).
    const qint64 lastGamblingDate = fields.integer(QStringLiteral("last_gambling_date"), -2208988800LL,
                                                   m_context.clock.nowSeconds() + 86400,
                                                   QStringLiteral("Datoen for sidste spil er ikke gyldig."));
    const QString locationType =
        fields.choice(QStringLiteral("location_type"),
                      {QStringLiteral("online"), QStringLiteral("physical"), QStringLiteral("both")});
    const QString gameTypes = fields.text(QStringLiteral("game_types"), 300);
    const qint64 spend = fields.integer(QStringLiteral("monthly_spend_dkk"), 0, 10'000'000, spendOutOfRange);
    const PlayerRecord player = m_context.accounts.requirePlayerForDevice(deviceToken);
    m_context.database.run(
        QStringLiteral("UPDATE players SET last_gambling_date = ?, gambling_location_type = ?, "
                       "gambling_game_types = ?, monthly_spend_dkk = ?, updated_at = ? WHERE id = ?"),
        {lastGamblingDate, locationType, gameTypes, spend, m_context.clock.nowSeconds(), player.id});
    return ApiReply::success();
}

QHttpServerResponse PairingEndpoints::relativeActivity(const ApiRequest& request) {
    const QString token = request.fields.token(QStringLiteral("token"));
    const std::optional<RelativeRecord> relative = m_context.accounts.relativeForToken(token);
    if (!relative) {
        throw ReplyError(Status::NotFound,
                         QStringLiteral("Forbindelsen findes ikke længere. Forbind igen med koden."));
    }
    const PlayerRecord player = m_context.accounts.player(relative->playerId);
    const ServerClock& clock = m_context.clock;
    Database& database = m_context.database;

    QJsonObject summary{{QStringLiteral("player_name"), player.name},
                        {QStringLiteral("days_clean"),
                         player.lastGamblingDate ? clock.daysSince(*player.lastGamblingDate) : 0},
                        {QStringLiteral("shield_active"), false}};
    const QVariant active = database.value(
        QStringLiteral("SELECT active FROM device_reports WHERE player_id = ? ORDER BY id DESC LIMIT 1"),
        {player.id});
    if (active.toInt() == 1) {
        summary.insert(QStringLiteral("shield_active"), true);
        // The shield has held since the first active report after the last inactive one.
        const QVariant since = database.value(
            QStringLiteral(
                "SELECT MIN(reported_at) FROM device_reports WHERE player_id = ? AND active = 1 AND id > "
                "COALESCE((SELECT MAX(id) FROM device_reports WHERE player_id = ? AND active = 0), 0)"),
            {player.id, player.id});
        summary.insert(QStringLiteral("shield_start"), clock.displayTime(since.toLongLong()));
    }

    QJsonArray history;
    QSqlQuery events = database.run(QStringLiteral("SELECT id, type, title, created_at FROM events "
                                                   "WHERE player_id = ? ORDER BY id DESC LIMIT 50"),
                                    {player.id});
    while (events.next()) {
        const qint64 at = events.value(3).toLongLong();
        history.append(QJsonObject{{QStringLiteral("id"), events.value(0).toLongLong()},
                                   {QStringLiteral("type"), events.value(1).toString()},
                                   {QStringLiteral("title"), events.value(2).toString()},
                                   {QStringLiteral("timestamp"), clock.displayTime(at)},
                                   {QStringLiteral("sort_time"), ServerClock::sortTime(at)}});
    }
    return ApiReply::json({{QStringLiteral("summary"), summary}, {QStringLiteral("history"), history}});
}

QHttpServerResponse PairingEndpoints::playerStatus(const ApiRequest& request) {
    const PlayerRecord player =
        m_context.accounts.requirePlayerForDevice(request.fields.token(QStringLiteral("device_token")));
    QJsonArray relatives;
    for (const RelativeRecord& relative : m_context.accounts.relativesOf(player.id)) {
        relatives.append(
            QJsonObject{{QStringLiteral("id"), relative.id},
                        {QStringLiteral("email"), relative.email},
                        {QStringLiteral("platform"), relative.platform},
                        {QStringLiteral("created_at"), m_context.clock.historyTime(relative.createdAt)}});
    }
    return ApiReply::success({{QStringLiteral("relatives"), relatives}});
}

} // namespace molvena::server
