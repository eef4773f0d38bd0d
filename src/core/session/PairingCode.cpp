#include "PairingCode.h"

namespace molvena {

QString PairingCode::draw(QRandomGenerator& generator) {
    const int first = generator.bounded(100, 1000);
    const int second = generator.bounded(100, 1000);
    return QString::asprintf("%03d %03d", first, second);
}

QString PairingCode::digitsOnly(const QString& displayed) {
    QString digits;
    for (const QChar character : displayed) {
        if (character >= QLatin1Char('0') && character <= QLatin1Char('9')) {
            digits.append(character);
        }
    }
    return digits;
}

} // namespace molvena
