#include "Records.h"

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

RelativeActivity::Summary RelativeActivity::Summary::decode(const StrictObject& object) {
    return Summary{
        .daysClean = object.required<qint64>("days_clean"),
        .shieldActive = object.required<bool>("shield_active"),
        .playerName = object.required<QString>("player_name"),
        .shieldStart = object.optional<QString>("shield_start"),
        .latestUrge = object.optional<qint64>("latest_urge"),
        .latestMood = object.optional<qint64>("latest_mood"),
    };
}

RelativeActivity::History RelativeActivity::History::decode(const StrictObject& object) {
    return History{
        .id = object.required<qint64>("id"),
        .type = object.required<QString>("type"),
        .title = object.required<QString>("title"),
        .timestamp = object.required<QString>("timestamp"),
        .sortTime = object.optional<QString>("sort_time"),
    };
}

RelativeActivity RelativeActivity::decode(const StrictObject& object) {
    return RelativeActivity{
        .summary = Summary::decode(object.required<StrictObject>("summary")),
        .history = object.required<QList<History>>("history"),
    };
}

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

MacHistoryItem MacHistoryItem::decode(const StrictObject& object) {
    return MacHistoryItem{
        .id = object.required<QString>("id"),
        .type = object.required<QString>("type"),
        .title = object.required<QString>("title"),
        .subtitle = object.optional<QString>("subtitle"),
        .domain = object.optional<QString>("domain"),
        .createdAt = object.required<QString>("created_at"),
    };
}

MacHistoryResponse MacHistoryResponse::decode(const StrictObject& object) {
    return MacHistoryResponse{
        .success = object.required<bool>("success"),
        .history = object.required<QList<MacHistoryItem>>("history"),
    };
}

} // namespace molvena
