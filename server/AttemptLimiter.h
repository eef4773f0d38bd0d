#pragma once

#include "AbuseLimits.h"

#include <QString>

namespace molvena::server {

class Database;
class ServerClock;

// Counts uses of something scarce (guesses of a PIN or code, links, registrations, e-mails) per
// subject, in the database, so that every server instance sees the same count. A window opens at
// a subject's first use and holds `count` uses; the next one after it ends opens a new window.
// Each use is judged and counted by one statement, so requests arriving together on several
// instances can never all see the last free use.
class AttemptLimiter {
public:
    AttemptLimiter(Database& database, const ServerClock& clock);

    // Counts one use and returns true when the window had room; otherwise changes nothing.
    bool take(const QString& scope, const QString& subject, limits::Window window);
    // Counts one use whether or not there was room (failures that feed another limit).
    void record(const QString& scope, const QString& subject, limits::Window window);
    // True when `subject` has used up its current window.
    bool isBlocked(const QString& scope, const QString& subject, limits::Window window);
    // Gives back a use taken for something that turned out not to count (a right code).
    void release(const QString& scope, const QString& subject);
    void clear(const QString& scope, const QString& subject);

private:
    void sweep(qint64 now);

    Database& m_database;
    const ServerClock& m_clock;
    qint64 m_lastSweep = 0;
};

} // namespace molvena::server
