#include "TextInput.h"

#include <QChar>
#include <QTextBoundaryFinder>

#include <algorithm>

namespace molvena::textInput {

QStringList visibleCharacters(const QString& text) {
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

int visibleLength(const QString& text) {
    return int(visibleCharacters(text).size());
}

bool isNumericCharacter(const QString& character) {
    if (character.isEmpty()) {
        return false;
    }
    const char32_t base = character.at(0).isHighSurrogate() && character.size() > 1
                              ? QChar::surrogateToUcs4(character.at(0), character.at(1))
                              : character.at(0).unicode();
    return QChar::isNumber(base);
}

QString keepNumbers(const QString& text, int maxCount) {
    QString kept;
    int count = 0;
    for (const QString& character : visibleCharacters(text)) {
        if (count == maxCount) {
            break;
        }
        if (isNumericCharacter(character)) {
            kept += character;
            ++count;
        }
    }
    return kept;
}

bool isAllNumeric(const QString& text) {
    const QStringList characters = visibleCharacters(text);
    return !characters.isEmpty() && std::all_of(characters.cbegin(), characters.cend(), isNumericCharacter);
}

QString groupedSixDigitCode(const QString& text) {
    const QStringList digits = visibleCharacters(keepNumbers(text, 6));
    if (digits.size() <= 3) {
        return digits.join(QString());
    }
    return digits.mid(0, 3).join(QString()) + QLatin1Char(' ') + digits.mid(3).join(QString());
}

} // namespace molvena::textInput
