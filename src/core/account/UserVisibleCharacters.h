#pragma once

#include <QString>
#include <QStringList>

namespace molvena {

// The characters of a text as a person sees them (grapheme clusters): "é" written as "e" plus a
// combining accent, or a flag made of two code points, is one character. PIN lengths and masked
// addresses count these, not UTF-16 units.
QStringList userVisibleCharacters(const QString& text);

qsizetype userVisibleLength(const QString& text);

// A character with a Unicode numeric value: the digits 0 to 9 and the digits and numerals of other
// scripts ("٣", "३", "Ⅳ").
bool isNumericCharacter(const QString& character);

} // namespace molvena
