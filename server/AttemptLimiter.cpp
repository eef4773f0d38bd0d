#include "AttemptLimiter.h"

#include "Database.h"
#include "ServerClock.h"

namespace molvena::server {

AttemptLimiter::AttemptLimiter(Database& database, const ServerClock& clock)
    : m_database(database), m_clock(clock) {}

bool AttemptLimiter::isBlocked(const QString& scope, const QString& subject, int limit,
                               qint64 windowSeconds) {
    const qint64 failures = m_database
                                .value(QStringLiteral("SELECT COUNT(*) FROM failed_attempts "
                                                      "WHERE scope = ? AND subject = ? AND failed_at > ?"),
                                       {scope, subject, m_clock.nowSeconds() - windowSeconds})
                                .toLongLong();
    return failures >= limit;
}

void AttemptLimiter::recordFailure(const QString& scope, const QString& subject, qint64 windowSeconds) {
    const qint64 now = m_clock.nowSeconds();
    // Old failures no longer count; dropping them here keeps the table small without a sweeper.
    m_database.run(
        QStringLiteral("DELETE FROM failed_attempts WHERE scope = ? AND subject = ? AND failed_at <= ?"),
        {scope, subject, now - windowSeconds});
    m_database.run(QStringLiteral("INSERT INTO failed_attempts (scope, subject, failed_at) VALUES (?, ?, ?)"),
                   {scope, subject, now});
}

void AttemptLimiter::clear(const QString& scope, const QString& subject) {
    m_database.run(QStringLiteral("DELETE FROM failed_attempts WHERE scope = ? AND subject = ?"),
                   {scope, subject});
}

} // namespace molvena::server
