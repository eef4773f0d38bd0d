#pragma once

#include <QString>
#include <QStringList>

namespace molvena {

// Rules for what a person types, counted the way they see it: "é" written as "e" plus a combining
// accent, or a flag made of two code points, is one character; PIN lengths and masked addresses count
// these, not UTF-16 units. A digit of any script is a number ("٣", "३", "Ⅳ").
namespace textInput {

// The user-visible characters (grapheme clusters) of a text, in order.
QStringList visibleCharacters(const QString& text);
int visibleLength(const QString& text);

// A character with a Unicode numeric value; a cluster counts by its base character.
bool isNumericCharacter(const QString& character);

// Keeps only the numeric characters, then at most the first `maxCount` of them.
QString keepNumbers(const QString& text, int maxCount);

// Every character is numeric (and there is at least one).
bool isAllNumeric(const QString& text);

// A six-digit code as its field shows it while typed: the numbers only, at most six, and a blank
// after the third once there are more than three ("123 4", "123 456").
QString groupedSixDigitCode(const QString& text);

} // namespace textInput

} // namespace molvena
