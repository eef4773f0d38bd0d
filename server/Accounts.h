#pragma once

#include <QList>
#include <QString>

#include <optional>

class QSqlQuery;

namespace molvena::server {

class AttemptLimiter;
class Database;
class EventLog;
class ServerClock;

struct PlayerRecord {
    qint64 id = 0;
    QString name;
    QString email;
    QString masterPin;
    QString pairingCode;
    QString supportContacts;
    std::optional<qint64> monthlySpendDKK;
    std::optional<qint64> lastGamblingDate;
    std::optional<QString> locationType;
    std::optional<QString> gameTypes;
    bool emailConfirmed = false; // the owner of the address followed its confirmation link
};

struct RelativeRecord {
    qint64 id = 0;
    qint64 playerId = 0;
    QString email;
    QString platform;
    QString pairingToken;
    qint64 createdAt = 0;
    bool confirmed = false; // the address said it wants the player's alerts
    bool alertsOn = true;   // the relative has not unsubscribed from the alert mails
};

// The lookups and checks that several endpoints share: players by device, code or e-mail, their
// devices and relatives, and the Master PIN check with its attempt limit.
class Accounts {
public:
    Accounts(Database& database, const ServerClock& clock, AttemptLimiter& limiter);

    // The form under which addresses are looked up: the mailbox in NFKC and case-folded, the domain
    // in its ASCII (IDNA) form, so that look-alike spellings of one address share one key.
    static QString emailKey(const QString& email);
    // A new relative's token: 192 bits from the system's secure random source.
    static QString newPairingToken();
    // 192 bits from the same source, as 48 hexadecimal digits.
    static QString newSecret();

    std::optional<PlayerRecord> playerForDevice(const QString& deviceToken);
    // The player of a registered device, or a 404 refusal.
    PlayerRecord requirePlayerForDevice(const QString& deviceToken);
    std::optional<PlayerRecord> playerForPairingCode(const QString& pairingCode);
    // The account holding the address, confirmed or not.
    std::optional<PlayerRecord> playerForEmail(const QString& email);
    // The account holding the address only once its owner confirmed it (what recovery may reach).
    std::optional<PlayerRecord> confirmedPlayerForEmail(const QString& email);
    // Takes the address from an account that never confirmed it, so another may register with it.
    void releaseEmail(qint64 playerId);
    PlayerRecord player(qint64 id);

    // Attaches the device to the player. Returns the account it belonged to before, if another one:
    // the caller tells that account's relatives that the Mac has left it.
    std::optional<qint64> attachDevice(qint64 playerId, const QString& deviceToken,
                                       const QString& deviceName);

    QList<RelativeRecord> relativesOf(qint64 playerId);
    std::optional<RelativeRecord> relativeForToken(const QString& pairingToken);
    std::optional<RelativeRecord> relative(qint64 id);
    // True for the token of a link that waits for the relative's confirmation.
    bool isPendingToken(const QString& pairingToken);
    std::optional<RelativeRecord> relativeForPlayerAndEmail(qint64 playerId, const QString& email);
    // The pairing an address recovers: its newest confirmed one; none before a confirmation.
    std::optional<RelativeRecord> relativeForRecovery(const QString& email);

    // Refuses (403, or 429 after too many failures) unless `pin` is the player's Master PIN. The
    // request's transaction commits on a refusal, so the counted guess outlives it. The wrong PIN
    // that uses up the guesses is an alert for the relatives (in `events`).
    void checkPin(const PlayerRecord& player, const QString& pin, EventLog& events);

private:
    std::optional<PlayerRecord> firstPlayer(QSqlQuery&& query);
    std::optional<RelativeRecord> firstRelative(QSqlQuery&& query);

    Database& m_database;
    const ServerClock& m_clock;
    AttemptLimiter& m_limiter;
};

} // namespace molvena::server
