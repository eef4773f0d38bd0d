#include "MacBrowserLocations.h"

namespace molvena {

MacBrowserLocations::MacBrowserLocations(QString home) : m_home(std::move(home)) {}

QList<BrowserInstallation> MacBrowserLocations::installations() const {
    const QString support = m_home + QStringLiteral("/Library/Application Support/");
    const auto chromium = [&](const char* name, const char* folder) {
        return BrowserInstallation{.name = QString::fromUtf8(name),
                                   .engine = BrowserEngine::chromium,
                                   .profileFolders = {support + QLatin1String(folder)},
                                   .policyPaths = {}};
    };
    return {
        BrowserInstallation{
            .name = QStringLiteral("Firefox"),
            .engine = BrowserEngine::firefox,
            .profileFolders = {support + QStringLiteral("Firefox")},
            .policyPaths = {QStringLiteral("/Applications/Firefox.app/Contents/Resources/distribution/"
                                           "policies.json")},
        },
        chromium("Google Chrome", "Google/Chrome"),
        chromium("Google Chrome Beta", "Google/Chrome Beta"),
        chromium("Chromium", "Chromium"),
        chromium("Microsoft Edge", "Microsoft Edge"),
        chromium("Brave", "BraveSoftware/Brave-Browser"),
        chromium("Vivaldi", "Vivaldi"),
        chromium("Opera", "com.operasoftware.Opera"),
        chromium("Arc", "Arc/User Data"),
    };
}

} // namespace molvena
