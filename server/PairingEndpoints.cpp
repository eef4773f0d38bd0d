#include "PairingEndpoints.h"

#include "Accounts.h"
#include "ApiReply.h"
#include "AttemptLimiter.h"
#include "Database.h"
#include "EventLog.h"
#include "Outbox.h"
#include "RelativeOverview.h"
#include "ReplyError.h"
#include "ServerClock.h"
#include "ServerOptions.h"

#include <QJsonArray>
#include <QRegularExpression>
#include <QSqlQuery>
#include <QUrl>

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
        request.fields.choice(QStringLiteral("action"),
                              {QStringLiteral("register"), QStringLiteral("link"), QStringLiteral("unlink")});
    if (action == QLatin1String("unlink")) {
        return unlinkRelative(request);
    }
    return action == QLatin1String("register") ? registerPlayer(request) : linkRelative(request);
}

QHttpServerResponse PairingEndpoints::registerPlayer(const ApiRequest& request) {
    const RequestFields& fields = request.fields;
    const QString deviceToken = fields.deviceToken();
    const QString pairingCode = fields.digits(QStringLiteral("pairing_code"), 6);
    const QString name = fields.text(QStringLiteral("name"), 100);
    const QString email = fields.email();
    const QString pin = fields.digits(QStringLiteral("master_pin"), 4);
    const QString contacts = fields.optionalText(QStringLiteral("support_contacts"), 2000);
    const QString pushToken = fields.optionalText(QStringLiteral("push_token"), 512);
    const QString country = fields.optionalText(QStringLiteral("country"), 8);
    const qint64 now = m_context.clock.nowSeconds();
    // Every answer tells whether the code is in use, so each registration comes from the budget of
    // code probes of the client's address and networks, never from one shared by everyone.
    if (!m_context.limiter.takeForNetwork(QStringLiteral("register"), request.remoteAddress,
                                          limits::codeProbes)) {
        throw ReplyError(Status::TooManyRequests,
                         QStringLiteral("Der er oprettet for mange konti herfra. Prøv igen om en time."));
    }
    // A refusal the app reads from the reply's `error`, so the status stays 200.
    const auto refusal = [](const QString& message) {
        return ApiReply::json({{QStringLiteral("success"), false}, {QStringLiteral("error"), message}});
    };

    if (const std::optional<PlayerRecord> deviceOwner = m_context.accounts.playerForDevice(deviceToken)) {
        // The same Mac sending the same code again (a second press after a failed profile save) is
        // the same account, and nothing of it changes; a Mac leaves its account only with the PIN.
        if (deviceOwner->pairingCode != pairingCode) {
            return refusal(QStringLiteral("Denne Mac hører allerede til en Molvena-konto. Fjern den fra "
                                          "kontoen under Indstillinger med din Master PIN, eller hent "
                                          "kontoen med “Har du allerede en konto?”."));
        }
        m_context.accounts.checkPin(*deviceOwner, pin, m_context.events);
        return ApiReply::success();
    }
    if (m_context.accounts.playerForPairingCode(pairingCode)) {
        return refusal(QStringLiteral("Parringskoden er allerede i brug. Gå tilbage, og start forfra for at "
                                      "få en ny kode."));
    }
    const std::optional<PlayerRecord> holder = m_context.accounts.playerForEmail(email);
    if (holder && holder->emailConfirmed) {
        return refusal(QStringLiteral("Der findes allerede en konto med denne e-mail. Hent den med “Har du "
                                      "allerede en konto?”, så sender vi dig en engangskode."));
    }
    // Another instance may register the same code or address at this moment: the unique keys
    // decide, and the request that loses runs again and gets the refusal above.
    Database::Transaction transaction(m_context.database);
    if (holder) {
        // An account whose owner never confirmed the address has no right to it: whoever registers
        // with it now gets it, and a confirmation it sent earlier no longer counts.
        m_context.accounts.releaseEmail(holder->id);
    }
    const qint64 playerId = m_context.database.insert(
        QStringLiteral(
            "INSERT INTO players (name, email, email_key, master_pin, pairing_code, support_contacts, "
            "push_token, country, created_at, updated_at) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"),
        {name, email, Accounts::emailKey(email), pin, pairingCode, contacts, pushToken, country, now, now});
    m_context.accounts.attachDevice(playerId, deviceToken, QString());
    m_context.events.record(playerId, {QStringLiteral("milestone"), QStringLiteral("Konto oprettet"),
                                       QStringLiteral("Velkommen til Molvena.")});
    m_confirmation.askPlayer(playerId, email, request.remoteAddress);
    transaction.commit();
    return ApiReply::success();
}

QHttpServerResponse PairingEndpoints::linkRelative(const ApiRequest& request) {
    const RequestFields& fields = request.fields;
    const QString code = fields.digits(QStringLiteral("code"), 6);
    const QString email = fields.email();
    const QString platform = fields.optionalText(QStringLiteral("platform"), 32).trimmed();
    const QString country = fields.optionalText(QStringLiteral("country"), 8);
    AttemptLimiter& limiter = m_context.limiter;
    // Right or wrong, an answer tells whether the code is in use; the budget is the address's and
    // its networks', so a real relative elsewhere is never refused for what strangers did.
    if (!limiter.takeForNetwork(QStringLiteral("link"), request.remoteAddress, limits::codeProbes)) {
        throw ReplyError(Status::TooManyRequests,
                         QStringLiteral("For mange forsøg på at forbinde. Vent en time, og prøv igen."));
    }
    const std::optional<PlayerRecord> player = m_context.accounts.playerForPairingCode(code);
    if (!player) {
        return ApiReply::json(
            {{QStringLiteral("success"), false},
             {QStringLiteral("error"), QStringLiteral("Koden er ikke gyldig. Kontrollér de 6 cifre.")}});
    }
    const auto full = [] {
        return ApiReply::json(
            {{QStringLiteral("success"), false},
             {QStringLiteral("error"),
              QStringLiteral("Koden kan ikke bruges til flere forbindelser lige nu. Bed "
                             "spilleren om at fjerne en pårørende, eller prøv igen i morgen.")}});
    };
    // The code's counter is taken first: its row stays locked until this request ends, so links to
    // one player are judged one after the other, and the count of relatives below is exact.
    const QString playerId = QString::number(player->id);
    if (!limiter.take(QStringLiteral("link_code"), playerId, limits::linksPerCode)) {
        return full();
    }
    const std::optional<RelativeRecord> known =
        m_context.accounts.relativeForPlayerAndEmail(player->id, email);
    if (!known && m_context.accounts.relativesOf(player->id).size() >= limits::relativesPerPlayer) {
        limiter.release(QStringLiteral("link_code"), playerId, limits::linksPerCode);
        return full();
    }
    // Every link gets a token of its own, also when the address was linked before: a token is never
    // handed to whoever knows someone's code and e-mail address.
    const QString token = Accounts::newPairingToken();
    Database::Transaction transaction(m_context.database);
    if (known) {
        // Whoever knows the code and a relative's address must not take the relative's place: the
        // new token waits for the relative's confirmation, and until then the old one still works.
        m_context.database.run(QStringLiteral("UPDATE relatives SET pending_token = ? WHERE id = ?"),
                               {token, known->id});
        m_confirmation.askRelative(known->id, email, request.remoteAddress, true);
    } else {
        const qint64 relativeId = m_context.database.insert(
            QStringLiteral("INSERT INTO relatives (player_id, email, email_key, platform, country, "
                           "pairing_token, created_at) VALUES (?, ?, ?, ?, ?, ?, ?)"),
            {player->id, email, Accounts::emailKey(email),
             platform.isEmpty() ? QStringLiteral("macos") : platform, country, token,
             m_context.clock.nowSeconds()});
        m_context.events.record(
            player->id, {QStringLiteral("milestone"), QStringLiteral("Ny støtteperson tilknyttet"), email});
        m_confirmation.askRelative(relativeId, email, request.remoteAddress, false);
    }
    transaction.commit();
    return ApiReply::success(
        {{QStringLiteral("pairing_token"), token}, {QStringLiteral("player_name"), player->name}});
}

QHttpServerResponse PairingEndpoints::unlinkRelative(const ApiRequest& request) {
    // The relative's own token ends the connection; the web overview's sessions go with it.
    const QString token = request.fields.pairingToken();
    if (m_context.database.run(QStringLiteral("DELETE FROM relatives WHERE pairing_token = ?"), {token})
            .numRowsAffected() != 1) {
        throw ReplyError(Status::NotFound,
                         QStringLiteral("Forbindelsen findes ikke længere. Forbind igen med koden."));
    }
    return ApiReply::success();
}

QHttpServerResponse PairingEndpoints::registerDevice(const ApiRequest& request) {
    const RequestFields& fields = request.fields;
    const QString deviceToken = fields.deviceToken();
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
    const QString deviceToken = fields.deviceToken();
    // From 1900 to a day ahead of now (a Mac whose clock runs a little fast).
    const qint64 lastGamblingDate = fields.integer(QStringLiteral("last_gambling_date"), -2208988800LL,
                                                   m_context.clock.nowSeconds() + 86400,
                                                   QStringLiteral("Datoen for sidste spil er ikke gyldig."));
    const QString locationType =
        fields.choice(QStringLiteral("location_type"),
                      {QStringLiteral("online"), QStringLiteral("physical"), QStringLiteral("both")});
    const QString gameTypes = fields.text(QStringLiteral("game_types"), 300);
    const qint64 spend =
        fields.integer(QStringLiteral("monthly_spend_dkk"), 0, limits::maximumMonthlySpend, spendOutOfRange);
    const PlayerRecord player = m_context.accounts.requirePlayerForDevice(deviceToken);
    m_context.database.run(
        QStringLiteral("UPDATE players SET last_gambling_date = ?, gambling_location_type = ?, "
                       "gambling_game_types = ?, monthly_spend_dkk = ?, updated_at = ? WHERE id = ?"),
        {lastGamblingDate, locationType, gameTypes, spend, m_context.clock.nowSeconds(), player.id});
    return ApiReply::success();
}

QHttpServerResponse PairingEndpoints::relativeActivity(const ApiRequest& request) {
    const QString token = request.fields.pairingToken();
    const std::optional<RelativeRecord> relative = m_context.accounts.relativeForToken(token);
    if (!relative && m_context.accounts.isPendingToken(token)) {
        throw ReplyError(Status::Forbidden, QStringLiteral("Bekræft forbindelsen med linket i den e-mail, vi "
                                                           "har sendt dig, og prøv igen."));
    }
    if (!relative) {
        throw ReplyError(Status::NotFound,
                         QStringLiteral("Forbindelsen findes ikke længere. Forbind igen med koden."));
    }
    return ApiReply::json(RelativeOverview::read(m_context, *relative).toJson());
}

QHttpServerResponse PairingEndpoints::playerStatus(const ApiRequest& request) {
    const PlayerRecord player = m_context.accounts.requirePlayerForDevice(request.fields.deviceToken());
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
