#include "TextInput.h"

#include <QList>
#include <QTextBoundaryFinder>

#include <algorithm>

namespace molvena::textInput {

int visibleLength(const QString& text) {
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    int count = 0;
    while (finder.toNextBoundary() != -1) {
        ++count;
    }
    return count;
}

QString keepNumbers(const QString& text, int maxCount) {
    QString kept;
    int count = 0;
    for (const uint character : text.toUcs4()) {
        if (count == maxCount) {
            break;
        }
        if (QChar::isNumber(character)) {
            const char32_t codePoint = character;
            kept.append(QString::fromUcs4(&codePoint, 1));
            ++count;
        }
    }
    return kept;
}

bool isAllNumeric(const QString& text) {
    const QList<uint> characters = text.toUcs4();
    return !characters.isEmpty() && std::all_of(characters.begin(), characters.end(),
                                                [](uint character) { return QChar::isNumber(character); });
}

} // namespace molvena::textInput
