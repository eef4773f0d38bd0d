#pragma once

#include "AbuseLimits.h"

#include <QString>

namespace molvena::server {

class Database;
class ServerClock;

// Counts uses of something scarce (guesses of a PIN or code, links, registrations, e-mails) per
// subject in a sliding window, in the database, so that every server instance sees the same count.
class AttemptLimiter {
public:
    AttemptLimiter(Database& database, const ServerClock& clock);

    // True when `subject` has used up the window's count.
    bool isBlocked(const QString& scope, const QString& subject, limits::Window window);
    void record(const QString& scope, const QString& subject);
    void clear(const QString& scope, const QString& subject);

private:
    Database& m_database;
    const ServerClock& m_clock;
};

} // namespace molvena::server
