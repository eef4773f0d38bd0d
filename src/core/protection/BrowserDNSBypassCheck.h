#pragma once

#include "platform/BrowserLocations.h"

#include <QFuture>
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
    QString problem;  // unknown: why, in one Danish line for the player

    friend bool operator==(const BrowserFinding&, const BrowserFinding&) = default;
};

// Reads, without starting any browser, whether each installed browser resolves names through its
// own encrypted DNS instead of the system resolver that carries the web protection: Firefox's
// profiles (prefs.js, user.js) and enterprise policy, and the Chromium family's "Local State" and
// managed policies. Lookups sent to our own resolver are no bypass. A file that cannot be read, is
// cut off or malformed, or is over 64 MB makes that browser's verdict unknown, with the reason.
class BrowserDNSBypassCheck {
public:
    // Files larger than this are not read.
    static constexpr qint64 maximumFileSize = 64LL * 1024 * 1024;

    BrowserDNSBypassCheck(const BrowserLocations& locations, QString resolverHostName);

    // One finding per browser that has a profile or a policy on this system, in the locations' order.
    QList<BrowserFinding> run() const;
    // The same on a worker thread (a profile's files can be many megabytes): the locations are read
    // here, and the worker touches nothing but the files and its own copies.
    QFuture<QList<BrowserFinding>> runInBackground() const;

private:
    // A browser's own DNS setting as one source states it.
    struct Setting {
        bool ownDNS = false;
        QString provider;
    };
    // What the sources of one browser add up to.
    struct Tally {
        bool present = false;
        QString problem; // a file that decides the verdict could not be read: why
        std::optional<Setting> bypass;

        void couldNotRead(const QString& why) {
            if (problem.isEmpty()) {
                problem = why;
            }
        }
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
