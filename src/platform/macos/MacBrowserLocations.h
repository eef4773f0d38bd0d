#pragma once

#include "platform/BrowserLocations.h"

namespace molvena {

// macOS: profiles in ~/Library/Application Support, Firefox's policies.json inside the app bundle.
// Managed preferences (/Library/Managed Preferences) are property lists and not read here.
class MacBrowserLocations : public BrowserLocations {
public:
    explicit MacBrowserLocations(QString home);

    QList<BrowserInstallation> installations() const override;

private:
    QString m_home;
};

} // namespace molvena
