#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QVariant>

#include <optional>

namespace molvena {

// Reads a Firefox preference file (prefs.js, user.js): statements `user_pref("name", value);` (or
// pref, sticky_pref, lock_pref) whose value is a quoted string with JavaScript escapes, a whole
// number or true/false, between comments of the three kinds Firefox allows. A later statement for
// the same name wins, as in Firefox.
class FirefoxPreferences {
public:
    // The values by name (QString, qint64 or bool), or nothing when the text is not a whole,
    // well-formed preference file (a file cut off while being written, for example).
    static std::optional<QHash<QString, QVariant>> parse(const QByteArray& text);
};

} // namespace molvena
