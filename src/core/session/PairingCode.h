#pragma once

#include <QRandomGenerator>
#include <QString>

namespace molvena {

// The six-digit code a player shares with support persons: two groups of 100–999, shown "123 456",
// stored and sent without the space.
class PairingCode {
public:
    // Draws from the system's secure random source unless a generator is given.
    static QString draw(QRandomGenerator& generator = *QRandomGenerator::system());
    static QString digitsOnly(const QString& displayed);
};

} // namespace molvena
