#include "AccountEndpoints.h"

#include "AbuseLimits.h"
#include "Accounts.h"
#include "ApiReply.h"
#include "Database.h"
#include "EventLog.h"
#include "ReplyError.h"
#include "ServerClock.h"

#include <QJsonArray>
#include <QSet>
#include <QSqlQuery>

#include <limits>

namespace molvena::server {

namespace {

using Status = ReplyError::Status;

QStringList contactEntries(const QString& contacts) {
    return contacts.split(QLatin1Char('|'), Qt::SkipEmptyParts);
}

} // namespace

void AccountEndpoints::addRoutes(Router& router) {
    router.add(QStringLiteral("/api/mac_account.php"), Router::Method::Post,
               [this](const ApiRequest& request) { return account(request); });
}

QHttpServerResponse AccountEndpoints::account(const ApiRequest& request) {
    const RequestFields& fields = request.fields;
    const QString action = fields.choice(
        QStringLiteral("action"),
        {QStringLiteral("profile"), QStringLiteral("history"), QStringLiteral("update_contacts"),
         QStringLiteral("update_pin"), QStringLiteral("update_monthly_spend"),
         QStringLiteral("remove_device"), QStringLiteral("remove_relative")});
    const QString deviceToken = fields.deviceToken();
    const PlayerRecord player = m_context.accounts.requirePlayerForDevice(deviceToken);
    if (action == QLatin1String("profile")) {
        return profile(player);
    }
    if (action == QLatin1String("history")) {
        return history(player);
    }
    if (action == QLatin1String("update_contacts")) {
        return updateContacts(player, fields);
    }
    if (action == QLatin1String("update_pin")) {
        return updatePin(player, fields);
    }
    if (action == QLatin1String("update_monthly_spend")) {
        return updateMonthlySpend(player, fields);
    }
    if (action == QLatin1String("remove_relative")) {
        return removeRelative(player, fields);
    }
    return removeDevice(player, deviceToken, fields);
}

QHttpServerResponse AccountEndpoints::removeRelative(const PlayerRecord& player,
                                                     const RequestFields& fields) {
    const qint64 relativeId =
        fields.integer(QStringLiteral("relative_id"), 1, std::numeric_limits<qint64>::max());
    m_context.accounts.checkPin(player, fields.text(QStringLiteral("pin"), 16), m_context.events);
    // Only the player's own; the web sessions and sign-in links go with the row.
    if (m_context.database
            .run(QStringLiteral("DELETE FROM relatives WHERE id = ? AND player_id = ?"),
                 {relativeId, player.id})
            .numRowsAffected() != 1) {
        throw ReplyError(Status::NotFound, QStringLiteral("Støttepersonen findes ikke længere."));
    }
    m_context.events.record(player.id,
                            {QStringLiteral("milestone"), QStringLiteral("Støtteperson fjernet"), QString()});
    return ApiReply::success();
}

QHttpServerResponse AccountEndpoints::profile(const PlayerRecord& player) {
    QJsonObject reply{{QStringLiteral("name"), player.name},
                      {QStringLiteral("email"), player.email},
                      {QStringLiteral("master_pin"), player.masterPin},
                      {QStringLiteral("pairing_code"), player.pairingCode},
                      {QStringLiteral("support_contacts"), player.supportContacts}};
    if (player.monthlySpendDKK) {
        reply.insert(QStringLiteral("monthly_spend_dkk"), *player.monthlySpendDKK);
    }
    if (player.lastGamblingDate) {
        reply.insert(QStringLiteral("last_gambling_date"), *player.lastGamblingDate);
    }
    if (player.locationType) {
        reply.insert(QStringLiteral("gambling_location_type"), *player.locationType);
    }
    if (player.gameTypes) {
        reply.insert(QStringLiteral("gambling_game_types"), *player.gameTypes);
    }
    return ApiReply::success(reply);
}

QHttpServerResponse AccountEndpoints::history(const PlayerRecord& player) {
    QSqlQuery events =
        m_context.database.run(QStringLiteral("SELECT id, type, title, subtitle, domain, created_at "
                                              "FROM events WHERE player_id = ? ORDER BY id DESC LIMIT 100"),
                               {player.id});
    QJsonArray items;
    while (events.next()) {
        QJsonObject item{
            {QStringLiteral("id"), events.value(0).toString()},
            {QStringLiteral("type"), events.value(1).toString()},
            {QStringLiteral("title"), events.value(2).toString()},
            {QStringLiteral("created_at"), m_context.clock.historyTime(events.value(5).toLongLong())}};
        const QString subtitle = events.value(3).toString();
        const QString domain = events.value(4).toString();
        if (!domain.isEmpty()) {
            item.insert(QStringLiteral("domain"), domain);
        }
        // A blocking event has no text of its own beyond the site, which the player may see.
        if (!subtitle.isEmpty() || !domain.isEmpty()) {
            item.insert(QStringLiteral("subtitle"), subtitle.isEmpty() ? domain : subtitle);
        }
        items.append(item);
    }
    return ApiReply::success({{QStringLiteral("history"), items}});
}

QHttpServerResponse AccountEndpoints::updateContacts(const PlayerRecord& player,
                                                     const RequestFields& fields) {
    const QString contacts = fields.optionalText(QStringLiteral("support_contacts"), 2000);
    const QString pin = fields.optionalText(QStringLiteral("pin"), 16);
    const QStringList entries = contactEntries(contacts);
    if (entries.size() > contactLimit) {
        throw ReplyError(Status::BadRequest,
                         QStringLiteral("Der kan højst være %1 kontaktpersoner.").arg(contactLimit));
    }
    const QSet<QString> kept(entries.cbegin(), entries.cend());
    const QStringList before = contactEntries(player.supportContacts);
    const bool removesSomeone = std::any_of(before.cbegin(), before.cend(),
                                            [&](const QString& entry) { return !kept.contains(entry); });
    // Adding someone to lean on needs no PIN; taking someone away does.
    if (removesSomeone && pin.isEmpty()) {
        throw ReplyError(Status::Forbidden,
                         QStringLiteral("Indtast din Master PIN for at fjerne en kontaktperson."));
    }
    if (!pin.isEmpty()) {
        m_context.accounts.checkPin(player, pin, m_context.events);
    }
    m_context.database.run(
        QStringLiteral("UPDATE players SET support_contacts = ?, updated_at = ? WHERE id = ?"),
        {contacts, m_context.clock.nowSeconds(), player.id});
    return ApiReply::success();
}

QHttpServerResponse AccountEndpoints::updatePin(const PlayerRecord& player, const RequestFields& fields) {
    const QString oldPin = fields.text(QStringLiteral("old_pin"), 16);
    const QString newPin = fields.digits(QStringLiteral("new_pin"), 4);
    m_context.accounts.checkPin(player, oldPin, m_context.events);
    m_context.database.run(QStringLiteral("UPDATE players SET master_pin = ?, updated_at = ? WHERE id = ?"),
                           {newPin, m_context.clock.nowSeconds(), player.id});
    return ApiReply::success();
}

QHttpServerResponse AccountEndpoints::updateMonthlySpend(const PlayerRecord& player,
                                                         const RequestFields& fields) {
    const qint64 amount = fields.integer(QStringLiteral("monthly_spend_dkk"), 0, limits::maximumMonthlySpend,
                                         QStringLiteral("Beløbet er uden for det tilladte interval."));
    m_context.database.run(
        QStringLiteral("UPDATE players SET monthly_spend_dkk = ?, updated_at = ? WHERE id = ?"),
        {amount, m_context.clock.nowSeconds(), player.id});
    return ApiReply::success();
}

QHttpServerResponse AccountEndpoints::removeDevice(const PlayerRecord& player, const QString& deviceToken,
                                                   const RequestFields& fields) {
    m_context.accounts.checkPin(player, fields.text(QStringLiteral("pin"), 16), m_context.events);
    Database::Transaction transaction(m_context.database);
    const QString deviceName =
        m_context.database
            .value(QStringLiteral("SELECT device_name FROM devices WHERE device_token = ?"), {deviceToken})
            .toString();
    m_context.database.run(QStringLiteral("DELETE FROM devices WHERE device_token = ?"), {deviceToken});
    m_context.database.run(QStringLiteral("DELETE FROM device_status WHERE device_token = ?"), {deviceToken});
    m_context.events.deviceLeft(player, deviceName);
    transaction.commit();
    return ApiReply::success();
}

} // namespace molvena::server
