#include "AttemptLimiter.h"

#include "ClientNetwork.h"
#include "Database.h"
#include "ServerClock.h"

#include <QSqlQuery>

namespace molvena::server {

namespace {

// One use's share of the window, in milliseconds.
qint64 interval(limits::Window window) {
    return window.seconds * 1000 / window.count;
}

// The bucket is full again at `full_at`; one more use moves that on by one interval, starting from
// now when the bucket is already full. Values: scope, subject, first full_at, then now, interval.
const QString fullAfterUse = QStringLiteral("(CASE WHEN rate_buckets.full_at > ? THEN rate_buckets.full_at "
                                            "ELSE ? END + ?)");
const QString countUse = QStringLiteral("INSERT INTO rate_buckets (scope, subject, full_at) VALUES (?, ?, ?) "
                                        "ON CONFLICT (scope, subject) DO UPDATE SET full_at = ") +
                         fullAfterUse;

} // namespace

AttemptLimiter::AttemptLimiter(Database& database, const ServerClock& clock)
    : m_database(database), m_clock(clock) {}

qint64 AttemptLimiter::nowMilliseconds() const {
    return m_clock.nowSeconds() * 1000;
}

bool AttemptLimiter::take(const QString& scope, const QString& subject, limits::Window window) {
    const qint64 now = nowMilliseconds();
    sweep(now);
    const qint64 step = interval(window);
    // The bucket has room when the use still ends within one window from now. The conflicting row
    // is locked and re-read before the condition is judged, so a second instance waits for the
    // first and then sees its use.
    QSqlQuery taken = m_database.run(
        countUse + QStringLiteral(" WHERE ") + fullAfterUse + QStringLiteral(" <= ? RETURNING full_at"),
        {scope, subject, now + step, now, now, step, now, now, step, now + window.seconds * 1000});
    const bool room = taken.next();
    taken.finish();
    return room;
}

bool AttemptLimiter::takeForNetwork(const QString& scope, const QString& address,
                                    const limits::NetworkWindows& windows) {
    for (const ClientNetwork::Budget& budget : ClientNetwork::budgets(address, windows)) {
        if (!take(scope, budget.subject, budget.window)) {
            return false;
        }
    }
    return true;
}

void AttemptLimiter::record(const QString& scope, const QString& subject, limits::Window window) {
    const qint64 now = nowMilliseconds();
    sweep(now);
    const qint64 step = interval(window);
    m_database.run(countUse, {scope, subject, now + step, now, now, step});
}

bool AttemptLimiter::isBlocked(const QString& scope, const QString& subject, limits::Window window) {
    const QVariant fullAt = m_database.value(
        QStringLiteral("SELECT full_at FROM rate_buckets WHERE scope = ? AND subject = ?"), {scope, subject});
    const qint64 now = nowMilliseconds();
    return fullAt.isValid() &&
           std::max(fullAt.toLongLong(), now) + interval(window) - now > window.seconds * 1000;
}

void AttemptLimiter::release(const QString& scope, const QString& subject, limits::Window window) {
    m_database.run(
        QStringLiteral("UPDATE rate_buckets SET full_at = full_at - ? WHERE scope = ? AND subject = ?"),
        {interval(window), scope, subject});
}

void AttemptLimiter::clear(const QString& scope, const QString& subject) {
    m_database.run(QStringLiteral("DELETE FROM rate_buckets WHERE scope = ? AND subject = ?"),
                   {scope, subject});
}

void AttemptLimiter::sweep(qint64 now) {
    // A bucket that is full again is the same as none, so the table holds only what is in use.
    if (now - m_lastSweep < limits::hour * 1000 && now >= m_lastSweep) {
        return;
    }
    m_lastSweep = now;
    m_database.run(QStringLiteral("DELETE FROM rate_buckets WHERE full_at <= ?"), {now});
}

} // namespace molvena::server
