#include "ConnectedRelative.h"

#include "StrictJson.h"

namespace molvena {

ConnectedRelative ConnectedRelative::decode(const StrictObject& object) {
    return ConnectedRelative{
        .id = object.required<qint64>("id"),
        .email = object.optional<QString>("email"),
        .platform = object.optional<QString>("platform"),
        .createdAt = object.optional<QString>("created_at"),
    };
}

PlayerConnectionStatus PlayerConnectionStatus::decode(const StrictObject& object) {
    return PlayerConnectionStatus{
        .success = object.required<bool>("success"),
        .relatives = object.required<QList<ConnectedRelative>>("relatives"),
    };
}

} // namespace molvena
