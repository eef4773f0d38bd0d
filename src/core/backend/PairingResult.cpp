#include "PairingResult.h"

#include "StrictJson.h"

namespace molvena {

PairingResult PairingResult::decode(const StrictObject& object) {
    return PairingResult{
        .success = object.optional<bool>("success"),
        .pairingToken = object.optional<QString>("pairing_token"),
        .playerName = object.optional<QString>("player_name"),
        .error = object.optional<QString>("error"),
    };
}

} // namespace molvena
