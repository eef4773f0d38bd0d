#include "DebugLog.h"

#include <QDateTime>

#include <cstdio>

namespace molvena {

void DebugLog::write(const QString& category, const QString& message) {
    const QString line =
        QStringLiteral("%1 [%2] %3\n")
            .arg(QDateTime::currentDateTime().toString(Qt::ISODateWithMs), category, message);
    std::fputs(line.toUtf8().constData(), stderr);
}

} // namespace molvena
