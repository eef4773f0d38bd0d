#include "RelativeActivity.h"

#include "StrictJson.h"

namespace molvena {

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

} // namespace molvena
