#pragma once

#include <QList>
#include <QMetaType>
#include <QString>

#include <optional>

namespace molvena {

class StrictObject;

// Decoded strictly (StrictJson.h) by the member names given in the comments; members are in lower
// camel case here, the wire names are snake case.

// Reply of fetchRelativeActivity (relative_activity.php).
struct RelativeActivity {
    struct Summary {
        qint64 daysClean = 0;                 // days_clean, required
        bool shieldActive = false;            // shield_active, required
        QString playerName{};                 // player_name, required
        std::optional<QString> shieldStart{}; // shield_start
        std::optional<qint64> latestUrge{};   // latest_urge
        std::optional<qint64> latestMood{};   // latest_mood

        static Summary decode(const StrictObject& object);
        bool operator==(const Summary&) const = default;
    };

    // One event; its id identifies it in lists.
    struct History {
        qint64 id = 0;                     // id, required
        QString type{};                    // type, required
        QString title{};                   // title, required
        QString timestamp{};               // timestamp, required
        std::optional<QString> sortTime{}; // sort_time

        static History decode(const StrictObject& object);
        bool operator==(const History&) const = default;
    };

    Summary summary{};        // summary, required
    QList<History> history{}; // history, required (may be empty)

    static RelativeActivity decode(const StrictObject& object);
    bool operator==(const RelativeActivity&) const = default;
};

} // namespace molvena

Q_DECLARE_METATYPE(molvena::RelativeActivity)
