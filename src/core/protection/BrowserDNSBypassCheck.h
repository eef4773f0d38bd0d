#pragma once

#include "platform/BrowserLocations.h"

#include <QJsonObject>
#include <QList>
#include <QString>

#include <optional>

namespace molvena {

// What one installed browser does with name lookups.
struct BrowserFinding {
    enum class Verdict {
        usesSystemResolver, // asks the system, so the web protection reaches it
        ownDNS,             // resolves names itself (DNS over HTTPS) and goes around the protection
        unknown,            // a settings file could not be read whole
    };

    QString browser; // "Firefox", "Google Chrome", …
    Verdict verdict = Verdict::unknown;
    QString provider; // the host the browser sends its lookups to, when it resolves them itself

    friend bool operator==(const BrowserFinding&, const BrowserFinding&) = default;
};

// Reads, without starting any browser, whether each installed browser resolves names through its
// own encrypted DNS instead of the system resolver that carries the web protection: Firefox's
// profiles (prefs.js, user.js) and enterprise policy, and the Chromium family's "Local State" and
// managed policies. Lookups sent to our own resolver are no bypass. Takes milliseconds; a file that
// cannot be read or is cut off makes that browser's verdict unknown.
class BrowserDNSBypassCheck {
public:
    BrowserDNSBypassCheck(const BrowserLocations& locations, QString resolverHostName);

    // One finding per browser that has a profile or a policy on this system, in the locations' order.
    QList<BrowserFinding> run() const;

private:
    // A browser's own DNS setting as one source states it.
    struct Setting {
        bool ownDNS = false;
        QString provider;
    };
    // What the sources of one browser add up to.
    struct Tally {
        bool present = false;
        bool unreadable = false;
        std::optional<Setting> bypass;
    };

    BrowserFinding checkFirefox(const BrowserInstallation& installation) const;
    BrowserFinding checkChromium(const BrowserInstallation& installation) const;
    // From a Chromium mode ("off", "automatic", "secure") and its space-separated URI templates.
    Setting chromiumSetting(const QString& mode, const QString& templates) const;
    // Nothing when every template points at our resolver; otherwise the first foreign host.
    std::optional<QString> foreignProvider(const QStringList& uris) const;
    static BrowserFinding verdict(const QString& browser, const Tally& tally);

    const BrowserLocations& m_locations;
    QString m_resolverHostName;
};

} // namespace molvena
