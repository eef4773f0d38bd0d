#pragma once

#include "platform/BrowserLocations.h"

namespace molvena {

// Linux: profiles under the home folder (~/.mozilla, the XDG configuration folder, and the Snap and
// Flatpak sandboxes), policies under /etc and the browsers' install folders.
class LinuxBrowserLocations : public BrowserLocations {
public:
    struct Roots {
        QString home;       // the user's home folder
        QString configHome; // $XDG_CONFIG_HOME, or ~/.config
        QString systemRoot; // "/" on a real system; policies are looked up beneath it

        static Roots current();
    };

    explicit LinuxBrowserLocations(Roots roots);

    QList<BrowserInstallation> installations() const override;

private:
    Roots m_roots;
};

} // namespace molvena
