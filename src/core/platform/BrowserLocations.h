#pragma once

#include <QList>
#include <QString>
#include <QStringList>

namespace molvena {

// The two families of browser whose own DNS settings the app can read.
enum class BrowserEngine { firefox, chromium };

// Where one browser keeps, on this system, the settings that decide whether it resolves names itself.
struct BrowserInstallation {
    QString name; // the browser's own name, as the player knows it: "Firefox", "Google Chrome", …
    BrowserEngine engine;
    // Firefox: folders holding a profiles.ini. Chromium family: user data folders holding "Local State".
    QStringList profileFolders;
    // Enterprise policies: a policies.json file (Firefox) or a folder of managed policy files (.json).
    QStringList policyPaths;
};

// This operating system's places for each browser the app knows, whether installed or not.
class BrowserLocations {
public:
    virtual ~BrowserLocations() = default;
    virtual QList<BrowserInstallation> installations() const = 0;
};

} // namespace molvena
