#pragma once

#include "AbuseLimits.h"

#include <QString>

namespace molvena::server {

class Database;
class ServerClock;

// Counts uses of something scarce (guesses of a PIN or code, links, registrations, e-mails) per
// subject, in the database, so that every server instance sees the same count. Each subject has a
// token bucket (limits::Window), stored as the moment it will be full again; a use moves that
// moment on by one use's share of the window. Each use is judged and counted by one statement, so
// requests arriving together on several instances can never all see the last free use.
class AttemptLimiter {
public:
    AttemptLimiter(Database& database, const ServerClock& clock);

    // Counts one use and returns true when the bucket had room; otherwise changes nothing.
    bool take(const QString& scope, const QString& subject, limits::Window window);
    // take() for the client address and each of its networks; false at the first one without room.
    bool takeForNetwork(const QString& scope, const QString& address, const limits::NetworkWindows& windows);
    // Counts one use whether or not there was room (failures that feed another limit).
    void record(const QString& scope, const QString& subject, limits::Window window);
    // True when `subject` has no use left right now.
    bool isBlocked(const QString& scope, const QString& subject, limits::Window window);
    // Gives back a use taken for something that turned out not to count (a right code).
    void release(const QString& scope, const QString& subject, limits::Window window);
    void clear(const QString& scope, const QString& subject);

private:
    qint64 nowMilliseconds() const;
    void sweep(qint64 now);

    Database& m_database;
    const ServerClock& m_clock;
    qint64 m_lastSweep = 0;
};

} // namespace molvena::server
