#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace molvena::server {

class Database;
class ServerClock;

// One-time codes for bringing an account onto a new Mac. A code is six digits from the system's
// secure random source; only a keyed hash of it is stored (HMAC-SHA-256 with a per-code salt and the
// server's key, so a copy of the database alone does not give the codes away). A code lives 15
// minutes, survives 5 wrong guesses, is used once, and a newer code for the same address ends it.
class RecoveryCodes {
public:
    static constexpr qint64 lifetimeSeconds = 15 * 60;
    static constexpr int attemptLimit = 5;
    static constexpr int requestsPerHour = 5;

    RecoveryCodes(Database& database, const ServerClock& clock, QByteArray key);

    // A fresh code for the address and role, or nothing when the address asked too often this hour.
    std::optional<QString> issue(const QString& email, const QString& role);
    // True once for the right code within its lifetime and attempts; every other guess counts.
    bool verify(const QString& email, const QString& role, const QString& code);

private:
    QByteArray hash(const QByteArray& salt, const QString& code) const;

    Database& m_database;
    const ServerClock& m_clock;
    QByteArray m_key;
};

} // namespace molvena::server
