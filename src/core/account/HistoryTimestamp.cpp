#include "HistoryTimestamp.h"

#include <QDateTime>
#include <QRegularExpression>

namespace molvena {

namespace {

// Qt's locales know a short date (digits only) and a long one (with the weekday); the medium style in
// between is the long one without its weekday and with the month abbreviated.
QString abbreviatedDatePattern(const QLocale& locale) {
    static const QRegularExpression weekday(QStringLiteral("dddd(\\s*'[^']*')?[\\s,]*"));
    QString pattern = locale.dateFormat(QLocale::LongFormat);
    pattern.remove(weekday);
    pattern.replace(QStringLiteral("MMMM"), QStringLiteral("MMM"));
    while (pattern.endsWith(QLatin1Char(',')) || pattern.endsWith(QLatin1Char(' '))) {
        pattern.chop(1);
    }
    return pattern;
}

} // namespace

QString formatHistoryTimestamp(const QString& text, const QLocale& locale, const QTimeZone& zone) {
    // Date and time apart, so the process's own zone never judges the wall-clock time.
    if (text.size() != 19 || text.at(10) != QLatin1Char(' ')) {
        return text;
    }
    const QDate date = QDate::fromString(text.left(10), QStringLiteral("yyyy-MM-dd"));
    const QTime time = QTime::fromString(text.mid(11), QStringLiteral("HH:mm:ss"));
    if (!date.isValid() || !time.isValid()) {
        return text;
    }
    // A time the clock skips at the spring change has no moment in the zone; it is shown as written.
    const QDateTime moment(date, time, zone);
    const QDate shownDate = moment.isValid() ? moment.date() : date;
    const QTime shownTime = moment.isValid() ? moment.time() : time;
    return locale.toString(shownDate, abbreviatedDatePattern(locale)) + QLatin1Char(' ') +
           locale.toString(shownTime, QLocale::ShortFormat);
}

} // namespace molvena
