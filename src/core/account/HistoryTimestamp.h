#pragma once

#include <QLocale>
#include <QString>
#include <QTimeZone>

namespace molvena {

// A history event's time ("yyyy-MM-dd HH:mm:ss", read in `zone`) as the locale writes a medium-length
// date and a short time, "1. mar. 2026 14.05" in Danish. Text in any other form comes back unchanged.
QString formatHistoryTimestamp(const QString& text, const QLocale& locale, const QTimeZone& zone);

} // namespace molvena
