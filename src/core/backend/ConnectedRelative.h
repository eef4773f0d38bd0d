#pragma once

#include <QList>
#include <QMetaType>
#include <QString>

#include <optional>

namespace molvena {

class StrictObject;

// Decoded strictly (StrictJson.h) by the member names given in the comments; members are in lower
// camel case here, the wire names are snake case.

// A relative who paired with the player's code; lists are keyed by `id`.
struct ConnectedRelative {
    qint64 id = 0;                      // id, required
    std::optional<QString> email{};     // email
    std::optional<QString> platform{};  // platform
    std::optional<QString> createdAt{}; // created_at, the backend's text

    static ConnectedRelative decode(const StrictObject& object);
    bool operator==(const ConnectedRelative&) const = default;
};

// Reply of mac_player_status.php.
struct PlayerConnectionStatus {
    bool success = false;                 // success, required (not judged by the store)
    QList<ConnectedRelative> relatives{}; // relatives, required

    static PlayerConnectionStatus decode(const StrictObject& object);
    bool operator==(const PlayerConnectionStatus&) const = default;
};

} // namespace molvena

Q_DECLARE_METATYPE(molvena::ConnectedRelative)
