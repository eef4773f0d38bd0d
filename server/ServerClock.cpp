#include "ServerClock.h"

#include <QLocale>

namespace molvena::server {

ServerClock::ServerClock(std::function<QDateTime()> source, const QString& timeZone)
    : m_source(std::move(source)), m_zone(timeZone.toUtf8()) {
    if (!m_zone.isValid()) {
        m_zone = QTimeZone::systemTimeZone();
    }
}

QDateTime ServerClock::now() const {
    return m_source().toUTC();
}

qint64 ServerClock::nowSeconds() const {
    return now().toSecsSinceEpoch();
}

QDateTime ServerClock::local(qint64 seconds) const {
    return QDateTime::fromSecsSinceEpoch(seconds, Qt::UTC).toTimeZone(m_zone);
}

QString ServerClock::historyTime(qint64 seconds) const {
    return local(seconds).toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

QString ServerClock::displayTime(qint64 seconds) const {
    static const QLocale danish(QLocale::Danish, QLocale::Denmark);
    return danish.toString(local(seconds), QStringLiteral("d. MMMM yyyy 'kl.' HH:mm"));
}

QString ServerClock::timeOfDay(qint64 seconds) const {
    return local(seconds).toString(QStringLiteral("HH:mm"));
}

QString ServerClock::sortTime(qint64 seconds) {
    return QDateTime::fromSecsSinceEpoch(seconds, Qt::UTC).toString(Qt::ISODate);
}

qint64 ServerClock::daysSince(qint64 seconds) const {
    const qint64 days = local(seconds).date().daysTo(now().toTimeZone(m_zone).date());
    return days > 0 ? days : 0;
}

} // namespace molvena::server
