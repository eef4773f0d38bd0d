#include "LinuxBrowserLocations.h"

#include <QDir>

namespace molvena {

LinuxBrowserLocations::Roots LinuxBrowserLocations::Roots::current() {
    const QString home = QDir::homePath();
    QString configHome = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (configHome.isEmpty() || !QDir::isAbsolutePath(configHome)) {
        configHome = home + QStringLiteral("/.config");
    }
    return Roots{.home = home, .configHome = configHome, .systemRoot = QStringLiteral("/")};
}

LinuxBrowserLocations::LinuxBrowserLocations(Roots roots) : m_roots(std::move(roots)) {}

QList<BrowserInstallation> LinuxBrowserLocations::installations() const {
    const QString& home = m_roots.home;
    const QString& config = m_roots.configHome;
    const auto system = [this](const char* path) {
        return QDir::cleanPath(m_roots.systemRoot + QLatin1Char('/') + QLatin1String(path));
    };
    // Each browser's own folder under the configuration folder, in the Flatpak sandbox (~/.var/app)
    // and, where there is one, in the Snap sandbox (~/snap/<snap>/…).
    const auto chromium = [&](const char* name, const char* configFolder, const char* flatpakId,
                              std::initializer_list<const char*> policyFolders,
                              const char* snapFolder = nullptr) {
        BrowserInstallation installation{
            .name = QString::fromUtf8(name),
            .engine = BrowserEngine::chromium,
            .profileFolders = {config + QLatin1Char('/') + QLatin1String(configFolder),
                               home + QStringLiteral("/.var/app/") + QLatin1String(flatpakId) +
                                   QStringLiteral("/config/") + QLatin1String(configFolder)},
            .policyPaths = {}};
        if (snapFolder) {
            installation.profileFolders.append(home + QStringLiteral("/snap/") + QLatin1String(snapFolder));
        }
        for (const char* folder : policyFolders) {
            installation.policyPaths.append(system(folder));
        }
        return installation;
    };
    return {
        BrowserInstallation{
            .name = QStringLiteral("Firefox"),
            .engine = BrowserEngine::firefox,
            .profileFolders = {home + QStringLiteral("/.mozilla/firefox"),
                               config + QStringLiteral("/mozilla/firefox"),
                               home + QStringLiteral("/snap/firefox/common/.mozilla/firefox"),
                               home + QStringLiteral("/.var/app/org.mozilla.firefox/.mozilla/firefox"),
                               home + QStringLiteral("/.var/app/org.mozilla.firefox/config/mozilla/firefox")},
            .policyPaths = {system("etc/firefox/policies/policies.json"),
                            system("usr/lib/firefox/distribution/policies.json"),
                            system("usr/lib/firefox-esr/distribution/policies.json")},
        },
        chromium("Google Chrome", "google-chrome", "com.google.Chrome", {"etc/opt/chrome/policies/managed"}),
        // Ubuntu's only Chromium is the snap, which reads the policies of the old chromium-browser package.
        chromium("Chromium", "chromium", "org.chromium.Chromium",
                 {"etc/chromium/policies/managed", "etc/chromium-browser/policies/managed"},
                 "chromium/common/chromium"),
        chromium("Microsoft Edge", "microsoft-edge", "com.microsoft.Edge", {"etc/opt/edge/policies/managed"}),
        chromium("Brave", "BraveSoftware/Brave-Browser", "com.brave.Browser", {"etc/brave/policies/managed"}),
        chromium("Vivaldi", "vivaldi", "com.vivaldi.Vivaldi", {"etc/vivaldi/policies/managed"}),
        chromium("Opera", "opera", "com.opera.Opera", {}, "opera/current/.config/opera"),
    };
}

} // namespace molvena
