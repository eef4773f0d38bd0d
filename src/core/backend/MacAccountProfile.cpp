#include "MacAccountProfile.h"

#include "StrictJson.h"

namespace molvena {

MacAccountProfile MacAccountProfile::decode(const StrictObject& object) {
    return MacAccountProfile{
        .success = object.required<bool>("success"),
        .name = object.required<QString>("name"),
        .email = object.required<QString>("email"),
        .masterPIN = object.required<QString>("master_pin"),
        .pairingCode = object.required<QString>("pairing_code"),
        .supportContacts = object.required<QString>("support_contacts"),
        .monthlySpendDKK = object.optional<qint64>("monthly_spend_dkk"),
        .lastGamblingDate = object.optional<double>("last_gambling_date"),
        .gamblingLocationType = object.optional<QString>("gambling_location_type"),
        .gamblingGameTypes = object.optional<QString>("gambling_game_types"),
    };
}

} // namespace molvena
