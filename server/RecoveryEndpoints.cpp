#include "RecoveryEndpoints.h"

#include "AbuseLimits.h"
#include "Accounts.h"
#include "ApiReply.h"
#include "AttemptLimiter.h"
#include "Database.h"
#include "EventLog.h"
#include "Outbox.h"
#include "RecoveryCodes.h"
#include "ReplyError.h"
#include "ServerClock.h"

namespace molvena::server {

namespace {

using Method = Router::Method;
// Every failed verification looks the same. The app judges `success`, so the status stays 200.
QHttpServerResponse refusal() {
    return ApiReply::json({{QStringLiteral("success"), false},
                           {QStringLiteral("error"), QStringLiteral("Koden kunne ikke bekræftes.")}});
}

} // namespace

void RecoveryEndpoints::addRoutes(Router& router) {
    router.add(QStringLiteral("/api/recovery_request.php"), Method::Post,
               [this](const ApiRequest& incoming) { return request(incoming); });
    router.add(QStringLiteral("/api/recovery_verify.php"), Method::Post,
               [this](const ApiRequest& incoming) { return verifyRelative(incoming); });
    router.add(QStringLiteral("/api/mac_recovery_verify.php"), Method::Post,
               [this](const ApiRequest& incoming) { return verifyPlayer(incoming); });
}

QHttpServerResponse RecoveryEndpoints::request(const ApiRequest& incoming) {
    const QString email = incoming.fields.email();
    const QString role = incoming.fields.choice(QStringLiteral("role"),
                                                {QStringLiteral("player"), QStringLiteral("relative")});
    AttemptLimiter& limiter = m_context.limiter;
    // Per address and per network: many addresses of one network share one budget, and nobody
    // elsewhere is refused for it.
    if (!limiter.takeForNetwork(QStringLiteral("recovery_request"), incoming.remoteAddress,
                                limits::recoveryRequests)) {
        throw ReplyError(ReplyError::Status::TooManyRequests,
                         QStringLiteral("For mange forsøg. Vent en time, og prøv igen."));
    }
    // The same lookups, the same code and the same round trips for every address; only the mail,
    // written after the reply has gone, differs.
    std::optional<QString> address;
    if (role == QLatin1String("player")) {
        // Only an address its owner confirmed: a registration by someone else with it leads nowhere.
        if (const auto player = m_context.accounts.confirmedPlayerForEmail(email)) {
            address = player->email;
        }
    } else if (const auto relative = m_context.accounts.relativeForRecovery(email)) {
        address = relative->email;
    }
    const std::optional<QString> code = m_context.recoveryCodes.issue(email, role, incoming.remoteAddress);
    if (address && code) {
        m_context.outbox.send(
            QStringLiteral("recovery_code"), *address, QStringLiteral("Din Molvena-engangskode"),
            QStringLiteral(
                "Hej\n\nDin engangskode til Molvena er:\n\n    %1\n\nIndtast koden i Molvena på din "
                "Mac. Koden udløber om 15 minutter og kan kun bruges én gang.\n\nHar du ikke bedt om "
                "en kode, kan du se bort fra denne e-mail.\n\nVenlig hilsen\nMolvena\n")
                .arg(*code));
    } else {
        m_context.outbox.sendNowhere();
    }
    return ApiReply::success(
        {{QStringLiteral("message"),
          QStringLiteral("Hvis adressen hører til en Molvena-konto, har vi sendt en engangskode.")}});
}

bool RecoveryEndpoints::codeAccepted(const ApiRequest& incoming, const QString& email, const QString& role,
                                     const QString& code) {
    AttemptLimiter& limiter = m_context.limiter;
    const QString scope = QStringLiteral("recovery_wrong");
    // Each code sent takes one of the address's wrong guesses before it is judged; the right one
    // gives it back.
    if (!limiter.take(scope, incoming.remoteAddress, limits::wrongRecoveryCodesPerAddress)) {
        return false;
    }
    if (!m_context.recoveryCodes.verify(email, role, code, incoming.remoteAddress)) {
        return false;
    }
    limiter.release(scope, incoming.remoteAddress, limits::wrongRecoveryCodesPerAddress);
    return true;
}

QHttpServerResponse RecoveryEndpoints::verifyRelative(const ApiRequest& incoming) {
    const QString email = incoming.fields.email();
    incoming.fields.choice(QStringLiteral("role"), {QStringLiteral("relative")});
    const QString code = incoming.fields.digits(QStringLiteral("code"), 6);
    if (!codeAccepted(incoming, email, QStringLiteral("relative"), code)) {
        return refusal();
    }
    const std::optional<RelativeRecord> relative = m_context.accounts.relativeForRecovery(email);
    if (!relative) {
        return refusal();
    }
    const PlayerRecord player = m_context.accounts.player(relative->playerId);
    return ApiReply::success({{QStringLiteral("pairing_token"), relative->pairingToken},
                              {QStringLiteral("player_name"), player.name}});
}

QHttpServerResponse RecoveryEndpoints::verifyPlayer(const ApiRequest& incoming) {
    const RequestFields& fields = incoming.fields;
    const QString email = fields.email();
    fields.choice(QStringLiteral("role"), {QStringLiteral("player")});
    const QString code = fields.digits(QStringLiteral("code"), 6);
    const QString deviceToken = fields.deviceToken();
    const QString deviceName = fields.optionalText(QStringLiteral("device_name"), 100).trimmed();
    if (!codeAccepted(incoming, email, QStringLiteral("player"), code)) {
        return refusal();
    }
    const std::optional<PlayerRecord> player = m_context.accounts.confirmedPlayerForEmail(email);
    if (!player) {
        return refusal();
    }
    Database::Transaction transaction(m_context.database);
    if (const std::optional<qint64> left =
            m_context.accounts.attachDevice(player->id, deviceToken, deviceName)) {
        m_context.events.deviceLeft(m_context.accounts.player(*left), deviceName);
    }
    m_context.events.record(player->id, {QStringLiteral("device"), QStringLiteral("Konto hentet på en Mac"),
                                         deviceName.isEmpty() ? QStringLiteral("Mac") : deviceName});
    transaction.commit();

    QJsonObject reply{{QStringLiteral("name"), player->name},
                      {QStringLiteral("email"), player->email},
                      {QStringLiteral("master_pin"), player->masterPin},
                      {QStringLiteral("pairing_code"), player->pairingCode},
                      {QStringLiteral("support_contacts"), player->supportContacts},
                      {QStringLiteral("last_gambling_date"), player->lastGamblingDate.value_or(0)}};
    if (player->monthlySpendDKK) {
        reply.insert(QStringLiteral("monthly_spend_dkk"), *player->monthlySpendDKK);
    }
    if (player->locationType) {
        reply.insert(QStringLiteral("gambling_location_type"), *player->locationType);
    }
    if (player->gameTypes) {
        reply.insert(QStringLiteral("gambling_game_types"), *player->gameTypes);
    }
    return ApiReply::success(reply);
}

} // namespace molvena::server
