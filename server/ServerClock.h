#pragma once

#include <QDateTime>
#include <QTimeZone>

#include <functional>

namespace molvena::server {

// The server's sense of time: an injectable source of "now" (tests move it forward to expire codes)
// and the Danish calendar and formats in which times are shown to users. Times are stored as whole
// seconds since 1970 (UTC).
class ServerClock {
public:
    ServerClock(std::function<QDateTime()> source, const QString& timeZone);

    QDateTime now() const;
    qint64 nowSeconds() const;

    // "yyyy-MM-dd HH:mm:ss" in the Danish time zone: what the settings window parses.
    QString historyTime(qint64 seconds) const;
    // A Danish text for people, e.g. "3. marts 2026 kl. 14:05".
    QString displayTime(qint64 seconds) const;
    // The time of day, "HH:mm" in the Danish time zone.
    QString timeOfDay(qint64 seconds) const;
    // ISO 8601 in UTC, for sorting.
    static QString sortTime(qint64 seconds);
    // Whole calendar days from the day of `seconds` to today, never negative.
    qint64 daysSince(qint64 seconds) const;

private:
    QDateTime local(qint64 seconds) const;

    std::function<QDateTime()> m_source;
    QTimeZone m_zone;
};

} // namespace molvena::server
