#include "ApplicationFont.h"

#include <QFont>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QStringList>

namespace molvena {

void useApplicationFont() {
#ifndef Q_OS_MACOS
    // Only the weights the screens use: each file stays resident once loaded.
    static const QStringList weights = {QStringLiteral("Regular"), QStringLiteral("Medium"),
                                        QStringLiteral("SemiBold"), QStringLiteral("Bold"),
                                        QStringLiteral("Black")};
    QString family;
    for (const QString& weight : weights) {
        const int id = QFontDatabase::addApplicationFont(
            QStringLiteral(":/Molvena/design/fonts/Inter-%1.otf").arg(weight));
        const QStringList families = QFontDatabase::applicationFontFamilies(id);
        if (family.isEmpty() && !families.isEmpty()) {
            family = families.first();
        }
    }
    if (!family.isEmpty()) {
        QFont font(family);
        font.setHintingPreference(QFont::PreferNoHinting);
        QGuiApplication::setFont(font);
    }
#endif
}

} // namespace molvena
