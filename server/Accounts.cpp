#include "Accounts.h"

#include "AttemptLimiter.h"
#include "Database.h"
#include "EventLog.h"
#include "ReplyError.h"
#include "ServerClock.h"

#include <QRandomGenerator>
#include <QSqlQuery>
#include <QUrl>

namespace molvena::server {

namespace {

const QString playerColumns = QStringLiteral(
    "p.id, p.name, p.email, p.master_pin, p.pairing_code, p.support_contacts, p.monthly_spend_dkk, "
    "p.last_gambling_date, p.gambling_location_type, p.gambling_game_types, p.email_confirmed_at");

const QString relativeColumns =
    QStringLiteral("r.id, r.player_id, r.email, r.platform, r.pairing_token, r.created_at, r.confirmed_at, "
                   "r.alerts_off_at");

template <typename T> std::optional<T> optionalValue(const QVariant& value) {
    if (value.isNull()) {
        return std::nullopt;
    }
    return value.value<T>();
}

} // namespace

QString Accounts::emailKey(const QString& email) {
    const QString normal = email.normalized(QString::NormalizationForm_KC).toCaseFolded();
    const qsizetype at = normal.lastIndexOf(QLatin1Char('@'));
    if (at < 0) {
        return normal;
    }
    const QString domain = normal.mid(at + 1);
    const QByteArray ascii = QUrl::toAce(domain);
    return normal.left(at + 1) + (ascii.isEmpty() ? domain : QString::fromLatin1(ascii).toLower());
}

QString Accounts::newPairingToken() {
    return QStringLiteral("rel-") + newSecret();
}

QString Accounts::newSecret() {
    QByteArray bytes(24, Qt::Uninitialized);
    QRandomGenerator::system()->generate(bytes.begin(), bytes.end());
    return QString::fromLatin1(bytes.toHex());
}

Accounts::Accounts(Database& database, const ServerClock& clock, AttemptLimiter& limiter)
    : m_database(database), m_clock(clock), m_limiter(limiter) {}

std::optional<PlayerRecord> Accounts::firstPlayer(QSqlQuery&& query) {
    if (!query.next()) {
        return std::nullopt;
    }
    PlayerRecord record;
    record.id = query.value(0).toLongLong();
    record.name = query.value(1).toString();
    record.email = query.value(2).toString();
    record.masterPin = query.value(3).toString();
    record.pairingCode = query.value(4).toString();
    record.supportContacts = query.value(5).toString();
    record.monthlySpendDKK = optionalValue<qint64>(query.value(6));
    record.lastGamblingDate = optionalValue<qint64>(query.value(7));
    record.locationType = optionalValue<QString>(query.value(8));
    record.gameTypes = optionalValue<QString>(query.value(9));
    record.emailConfirmed = !query.value(10).isNull();
    return record;
}

std::optional<RelativeRecord> Accounts::firstRelative(QSqlQuery&& query) {
    if (!query.next()) {
        return std::nullopt;
    }
    return RelativeRecord{query.value(0).toLongLong(), query.value(1).toLongLong(),
                          query.value(2).toString(),   query.value(3).toString(),
                          query.value(4).toString(),   query.value(5).toLongLong(),
                          !query.value(6).isNull(),    query.value(7).isNull()};
}

std::optional<PlayerRecord> Accounts::playerForDevice(const QString& deviceToken) {
    return firstPlayer(m_database.run(
        QStringLiteral(
            "SELECT %1 FROM players p JOIN devices d ON d.player_id = p.id WHERE d.device_token = ?")
            .arg(playerColumns),
        {deviceToken}));
}

PlayerRecord Accounts::requirePlayerForDevice(const QString& deviceToken) {
    std::optional<PlayerRecord> found = playerForDevice(deviceToken);
    if (!found) {
        throw ReplyError(ReplyError::Status::NotFound,
                         QStringLiteral("Denne Mac er ikke tilknyttet en Molvena-konto."));
    }
    return *found;
}

std::optional<PlayerRecord> Accounts::playerForPairingCode(const QString& pairingCode) {
    return firstPlayer(
        m_database.run(QStringLiteral("SELECT %1 FROM players p WHERE p.pairing_code = ?").arg(playerColumns),
                       {pairingCode}));
}

std::optional<PlayerRecord> Accounts::playerForEmail(const QString& email) {
    return firstPlayer(
        m_database.run(QStringLiteral("SELECT %1 FROM players p WHERE p.email_key = ?").arg(playerColumns),
                       {emailKey(email)}));
}

std::optional<PlayerRecord> Accounts::confirmedPlayerForEmail(const QString& email) {
    return firstPlayer(m_database.run(
        QStringLiteral("SELECT %1 FROM players p WHERE p.email_key = ? AND p.email_confirmed_at IS NOT NULL")
            .arg(playerColumns),
        {emailKey(email)}));
}

void Accounts::releaseEmail(qint64 playerId) {
    // The key must stay unique and must never be an address's key again ("@" ends no key).
    m_database.run(QStringLiteral("UPDATE players SET email_key = ?, confirm_token = NULL "
                                  "WHERE id = ? AND email_confirmed_at IS NULL"),
                   {QStringLiteral("#released-%1@").arg(playerId), playerId});
}

bool Accounts::isPendingToken(const QString& pairingToken) {
    return m_database.value(QStringLiteral("SELECT 1 FROM relatives WHERE pending_token = ?"), {pairingToken})
        .isValid();
}

PlayerRecord Accounts::player(qint64 id) {
    std::optional<PlayerRecord> found = firstPlayer(
        m_database.run(QStringLiteral("SELECT %1 FROM players p WHERE p.id = ?").arg(playerColumns), {id}));
    if (!found) {
        throw DatabaseError("player " + std::to_string(id) + " vanished");
    }
    return *found;
}

std::optional<qint64> Accounts::attachDevice(qint64 playerId, const QString& deviceToken,
                                             const QString& deviceName) {
    const qint64 now = m_clock.nowSeconds();
    QSqlQuery inserted = m_database.run(
        QStringLiteral("INSERT INTO devices (player_id, device_token, device_name, platform, created_at, "
                       "last_seen_at) VALUES (?, ?, ?, 'macos', ?, ?) "
                       "ON CONFLICT (device_token) DO NOTHING RETURNING id"),
        {playerId, deviceToken, deviceName, now, now});
    const bool isNew = inserted.next();
    inserted.finish();
    if (isNew) {
        return std::nullopt;
    }
    QSqlQuery existing = m_database.run(
        QStringLiteral("SELECT id, player_id FROM devices WHERE device_token = ?"), {deviceToken});
    if (!existing.next()) {
        throw DatabaseError("the device was removed while it was being attached",
                            DatabaseError::Kind::conflict);
    }
    const qint64 deviceId = existing.value(0).toLongLong();
    const qint64 previous = existing.value(1).toLongLong();
    existing.finish();
    // Moves the Mac only from the account just read: when another request moved it meanwhile, the
    // request runs again and sees where the Mac is now.
    const int moved = m_database
                          .run(QStringLiteral("UPDATE devices SET player_id = ?, "
                                              "device_name = CASE WHEN ? = '' THEN device_name ELSE ? END, "
                                              "last_seen_at = ? WHERE id = ? AND player_id = ?"),
                               {playerId, deviceName, deviceName, now, deviceId, previous})
                          .numRowsAffected();
    if (moved != 1) {
        throw DatabaseError("the device moved while it was being attached", DatabaseError::Kind::conflict);
    }
    if (previous == playerId) {
        return std::nullopt;
    }
    // The old account's shield no longer rests on this Mac.
    m_database.run(QStringLiteral("DELETE FROM device_status WHERE device_token = ?"), {deviceToken});
    return previous;
}

QList<RelativeRecord> Accounts::relativesOf(qint64 playerId) {
    QSqlQuery query = m_database.run(
        QStringLiteral("SELECT %1 FROM relatives r WHERE r.player_id = ? ORDER BY r.id").arg(relativeColumns),
        {playerId});
    QList<RelativeRecord> relatives;
    while (std::optional<RelativeRecord> relative = firstRelative(std::move(query))) {
        relatives.append(*relative);
    }
    return relatives;
}

std::optional<RelativeRecord> Accounts::relativeForToken(const QString& pairingToken) {
    return firstRelative(m_database.run(
        QStringLiteral("SELECT %1 FROM relatives r WHERE r.pairing_token = ?").arg(relativeColumns),
        {pairingToken}));
}

std::optional<RelativeRecord> Accounts::relative(qint64 id) {
    return firstRelative(m_database.run(
        QStringLiteral("SELECT %1 FROM relatives r WHERE r.id = ?").arg(relativeColumns), {id}));
}

std::optional<RelativeRecord> Accounts::relativeForPlayerAndEmail(qint64 playerId, const QString& email) {
    return firstRelative(
        m_database.run(QStringLiteral("SELECT %1 FROM relatives r WHERE r.player_id = ? AND r.email_key = ?")
                           .arg(relativeColumns),
                       {playerId, emailKey(email)}));
}

std::optional<RelativeRecord> Accounts::relativeForRecovery(const QString& email) {
    return firstRelative(m_database.run(
        QStringLiteral("SELECT %1 FROM relatives r WHERE r.email_key = ? AND r.confirmed_at IS NOT NULL "
                       "ORDER BY r.id DESC LIMIT 1")
            .arg(relativeColumns),
        {emailKey(email)}));
}

void Accounts::checkPin(const PlayerRecord& player, const QString& pin, EventLog& events) {
    const QString subject = QString::number(player.id);
    const QString scope = QStringLiteral("pin");
    // Every guess takes one of the window's guesses before it is judged, so guesses arriving
    // together on several instances are never judged beyond the limit.
    if (!m_limiter.take(scope, subject, limits::wrongPinsPerAccount)) {
        // The budget refills a guess at a time, so the next guess is this far off, not the window.
        constexpr qint64 minutesToNextGuess =
            (limits::wrongPinsPerAccount.seconds / limits::wrongPinsPerAccount.count + 59) / 60;
        throw ReplyError(
            ReplyError::Status::TooManyRequests,
            QStringLiteral("For mange forkerte forsøg. Prøv igen om %1 minutter.").arg(minutesToNextGuess));
    }
    // A PIN typed with the digits of another script is the same PIN.
    QString ascii;
    for (const QChar c : pin) {
        ascii.append(c.isDigit() ? QChar(u'0' + c.digitValue()) : c);
    }
    if (ascii != player.masterPin) {
        // Whoever holds a Mac's token could otherwise go on guessing quietly; the relatives hear
        // of it when the guesses run out, at most once in a while.
        if (m_limiter.isBlocked(scope, subject, limits::wrongPinsPerAccount) &&
            m_limiter.take(QStringLiteral("pin_lock_alert"), subject, limits::pinLockAlertsPerPlayer)) {
            events.raiseAlert(player, QStringLiteral("mac_pin_locked"),
                              {QStringLiteral("protection"),
                               QStringLiteral("Master PIN spærret efter forkerte forsøg"),
                               QStringLiteral("Nogen har tastet forkert Master PIN fem gange på Mac.")},
                              QString());
        }
        throw ReplyError(ReplyError::Status::Forbidden, QStringLiteral("Forkert Master PIN."));
    }
    m_limiter.clear(scope, subject);
}

} // namespace molvena::server
