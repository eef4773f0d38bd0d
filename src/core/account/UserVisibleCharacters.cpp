#include "UserVisibleCharacters.h"

#include <QChar>
#include <QTextBoundaryFinder>

namespace molvena {

QStringList userVisibleCharacters(const QString& text) {
    QStringList characters;
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    qsizetype start = 0;
    while (finder.toNextBoundary() != -1) {
        const qsizetype end = finder.position();
        characters.append(text.mid(start, end - start));
        start = end;
    }
    return characters;
}

qsizetype userVisibleLength(const QString& text) {
    return userVisibleCharacters(text).size();
}

bool isNumericCharacter(const QString& character) {
    if (character.isEmpty()) {
        return false;
    }
    // A cluster counts by its base character: "1" followed by a combining mark is still a digit.
    const char32_t base = character.at(0).isHighSurrogate() && character.size() > 1
                              ? QChar::surrogateToUcs4(character.at(0), character.at(1))
                              : character.at(0).unicode();
    return QChar::isNumber(base);
}

} // namespace molvena
