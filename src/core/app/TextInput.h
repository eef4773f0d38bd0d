#pragma once

#include <QString>

namespace molvena {

// Rules for what a person types, counted the way they see it: one accented letter or one digit of
// any script is one character, however many code units it takes.
namespace textInput {

// The number of user-visible characters (grapheme clusters).
int visibleLength(const QString& text);

// Keeps only the characters with a Unicode numeric value (the digits of every script among them),
// then at most the first `maxCount` of them.
QString keepNumbers(const QString& text, int maxCount);

// Every character has a Unicode numeric value (and there is at least one).
bool isAllNumeric(const QString& text);

} // namespace textInput

} // namespace molvena
