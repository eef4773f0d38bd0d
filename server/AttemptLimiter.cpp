#include "AttemptLimiter.h"

#include "Database.h"
#include "ServerClock.h"

namespace molvena::server {

AttemptLimiter::AttemptLimiter(Database& database, const ServerClock& clock)
    : m_database(database), m_clock(clock) {}

bool AttemptLimiter::isBlocked(const QString& scope, const QString& subject, limits::Window window) {
    const qint64 used = m_database
                            .value(QStringLiteral("SELECT COUNT(*) FROM failed_attempts "
                                                  "WHERE scope = ? AND subject = ? AND failed_at > ?"),
                                   {scope, subject, m_clock.nowSeconds() - window.seconds})
                            .toLongLong();
    return used >= window.count;
}

void AttemptLimiter::record(const QString& scope, const QString& subject) {
    const qint64 now = m_clock.nowSeconds();
    // No window is longer than a day; what is older counts nowhere, so the table stays small.
    m_database.run(QStringLiteral("DELETE FROM failed_attempts WHERE failed_at <= ?"), {now - limits::day});
    m_database.run(QStringLiteral("INSERT INTO failed_attempts (scope, subject, failed_at) VALUES (?, ?, ?)"),
                   {scope, subject, now});
}

void AttemptLimiter::clear(const QString& scope, const QString& subject) {
    m_database.run(QStringLiteral("DELETE FROM failed_attempts WHERE scope = ? AND subject = ?"),
                   {scope, subject});
}

} // namespace molvena::server
