#pragma once

#include <QMetaType>
#include <QString>

#include <optional>

namespace molvena {

class StrictObject;

// Decoded strictly (StrictJson.h) by the member names given in the comments; members are in lower
// camel case here, the wire names are snake case.

// Reply of pairRelative (pairing.php, action "link"). Every member is optional.
struct PairingResult {
    std::optional<bool> success{};         // success
    std::optional<QString> pairingToken{}; // pairing_token
    std::optional<QString> playerName{};   // player_name
    std::optional<QString> error{};        // error

    static PairingResult decode(const StrictObject& object);
    bool operator==(const PairingResult&) const = default;
};

} // namespace molvena

Q_DECLARE_METATYPE(molvena::PairingResult)
