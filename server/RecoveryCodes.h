#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace molvena::server {

class AttemptLimiter;
class Database;
class ServerClock;

// One-time codes for bringing an account onto a new Mac. A code is six digits from the system's
// secure random source; only a keyed hash of it is stored (HMAC-SHA-256 with a per-code salt and the
// server's key, so a copy of the database alone does not give the codes away). A code belongs to the
// client address that asked for it and is verified only from there, so nobody elsewhere can guess it
// or use up its attempts. It lives 15 minutes, survives 5 wrong guesses, is used once, and a newer
// code asked for from the same address ends it.
class RecoveryCodes {
public:
    RecoveryCodes(Database& database, const ServerClock& clock, AttemptLimiter& limiter, QByteArray key);

    // Records the key's fingerprint in the database at the first start and refuses (StartupError)
    // to run with another key later, so instances never hash codes with different keys.
    void claimKey();

    // A fresh code for the address, role and client address, or nothing when the e-mail address has
    // had its codes for now from the client's network. Does the same work whether an account exists or not.
    std::optional<QString> issue(const QString& email, const QString& role, const QString& source);
    // True once for the right code within its lifetime and attempts; every other guess counts.
    bool verify(const QString& email, const QString& role, const QString& code, const QString& source);

private:
    QByteArray hash(const QByteArray& salt, const QString& code) const;

    Database& m_database;
    const ServerClock& m_clock;
    AttemptLimiter& m_limiter;
    QByteArray m_key;
};

} // namespace molvena::server
