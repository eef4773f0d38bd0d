#include "AttemptLimiter.h"

#include "Database.h"
#include "ServerClock.h"

#include <QSqlQuery>

namespace molvena::server {

namespace {

// A window older than its length starts over at this use; `excluded` is the row this use brings.
const QString countUse = QStringLiteral(
    "INSERT INTO attempt_counters (scope, subject, window_start, used) VALUES (?, ?, ?, 1) "
    "ON CONFLICT (scope, subject) DO UPDATE SET "
    "used = CASE WHEN attempt_counters.window_start <= ? THEN 1 ELSE attempt_counters.used + 1 END, "
    "window_start = CASE WHEN attempt_counters.window_start <= ? THEN excluded.window_start "
    "ELSE attempt_counters.window_start END");

} // namespace

AttemptLimiter::AttemptLimiter(Database& database, const ServerClock& clock)
    : m_database(database), m_clock(clock) {}

bool AttemptLimiter::take(const QString& scope, const QString& subject, limits::Window window) {
    const qint64 now = m_clock.nowSeconds();
    sweep(now);
    const qint64 expired = now - window.seconds;
    // The conflicting row is locked and re-read before the condition is judged, so a second
    // instance waits for the first and then sees its use.
    QSqlQuery taken = m_database.run(
        countUse + QStringLiteral(" WHERE attempt_counters.window_start <= ? OR attempt_counters.used < ? "
                                  "RETURNING used"),
        {scope, subject, now, expired, expired, expired, window.count});
    const bool room = taken.next();
    taken.finish();
    return room;
}

void AttemptLimiter::record(const QString& scope, const QString& subject, limits::Window window) {
    const qint64 now = m_clock.nowSeconds();
    sweep(now);
    m_database.run(countUse, {scope, subject, now, now - window.seconds, now - window.seconds});
}

bool AttemptLimiter::isBlocked(const QString& scope, const QString& subject, limits::Window window) {
    const QVariant used = m_database.value(QStringLiteral("SELECT used FROM attempt_counters WHERE "
                                                          "scope = ? AND subject = ? AND window_start > ?"),
                                           {scope, subject, m_clock.nowSeconds() - window.seconds});
    return used.isValid() && used.toLongLong() >= window.count;
}

void AttemptLimiter::release(const QString& scope, const QString& subject) {
    m_database.run(QStringLiteral("UPDATE attempt_counters SET used = used - 1 "
                                  "WHERE scope = ? AND subject = ? AND used > 0"),
                   {scope, subject});
}

void AttemptLimiter::clear(const QString& scope, const QString& subject) {
    m_database.run(QStringLiteral("DELETE FROM attempt_counters WHERE scope = ? AND subject = ?"),
                   {scope, subject});
}

void AttemptLimiter::sweep(qint64 now) {
    // No window is longer than a day; what is older counts nowhere, so the table stays small.
    if (now - m_lastSweep < limits::hour && now >= m_lastSweep) {
        return;
    }
    m_lastSweep = now;
    m_database.run(QStringLiteral("DELETE FROM attempt_counters WHERE window_start <= ?"),
                   {now - limits::day});
}

} // namespace molvena::server
