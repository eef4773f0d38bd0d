#pragma once

#include <QString>

namespace molvena::server {

class Database;
class ServerClock;

// Counts failed guesses of a secret (a Master PIN per account, pairing codes per client address)
// in a sliding window, so that a four-digit PIN or a six-digit code cannot be tried through.
class AttemptLimiter {
public:
    AttemptLimiter(Database& database, const ServerClock& clock);

    // True when `subject` has used up `limit` failures within the last `windowSeconds`.
    bool isBlocked(const QString& scope, const QString& subject, int limit, qint64 windowSeconds);
    void recordFailure(const QString& scope, const QString& subject, qint64 windowSeconds);
    void clear(const QString& scope, const QString& subject);

private:
    Database& m_database;
    const ServerClock& m_clock;
};

} // namespace molvena::server
