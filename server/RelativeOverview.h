#pragma once

#include "ServerContext.h"

#include <QJsonObject>
#include <QList>
#include <QString>

#include <optional>

namespace molvena::server {

struct RelativeRecord;

// What a relative may see of the player: first name, gambling-free days, whether the shield is on,
// and the recent events. The app's overview (as JSON) and the web overview (as HTML) show this one
// reading, so the two can never disagree or show more.
class RelativeOverview {
public:
    struct Event {
        qint64 id = 0;
        QString type;
        QString title;
        QString timestamp; // Danish, for people
        QString sortTime;  // ISO 8601 UTC
    };

    QString playerName;
    qint64 daysClean = 0;
    bool shieldActive = false;
    std::optional<QString> shieldStart;
    QList<Event> history; // newest first

    // Reads the overview of the relative's player (noting silent Macs as events first).
    static RelativeOverview read(const ServerContext& context, const RelativeRecord& relative);
    // The reply of relative_activity.php.
    QJsonObject toJson() const;
};

} // namespace molvena::server
