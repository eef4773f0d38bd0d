#include "InstalledDesktop.h"

#include "BrowsersInHome.h"
#include "FixedDeviceInfo.h"
#include "SteadyHeartbeatTimer.h"
#include "macos/ProfileDownloadInstaller.h"

#include <QDir>
#include <QFile>

namespace molvena::test {

namespace {

// The Mac's login-item service stands in as an entry file, so the journeys read the same on both
// systems: registering writes it, unregistering removes it, the status says whether it is there.
class LoginItemAsFile : public LoginItemService {
public:
    explicit LoginItemAsFile(QString entry) : m_entry(std::move(entry)) {}
    int status() const override { return QFile::exists(m_entry) ? enabled : notRegistered; }
    QString applicationPath() const override { return QStringLiteral("/Applications/Molvena.app"); }
    bool runsFromInstallLocation() const override { return true; }
    std::optional<LoginItemError> registerApplication() override {
        QFile entry(m_entry);
        if (!entry.open(QIODevice::WriteOnly)) {
            return LoginItemError{.code = 5, .description = entry.errorString()};
        }
        return std::nullopt;
    }
    std::optional<LoginItemError> unregisterApplication() override {
        QFile::remove(m_entry);
        return std::nullopt;
    }
    void openLoginItemsSettings() override {}

private:
    QString m_entry;
};

} // namespace

PlatformAdapters InstalledDesktop::adapters() {
    autostartEntry = folder.filePath(QStringLiteral("login-item"));
    auto pathMonitor = std::make_unique<DrivenPathMonitor>();
    auto recording = std::make_unique<RecordingWorkspace>();
    paths = pathMonitor.get();
    workspace = recording.get();
    return PlatformAdapters{.loginItems = std::make_unique<LoginItemAsFile>(autostartEntry),
                            .networkPaths = std::move(pathMonitor),
                            .workspace = std::move(recording),
                            .deviceInfo =
                                std::make_unique<FixedDeviceInfo>(QStringLiteral("Annas MacBook Air")),
                            .heartbeatTimer = std::make_unique<SteadyHeartbeatTimer>(),
                            .browserLocations = std::make_unique<BrowsersInHome>(folder.path()),
                            .webProtection = std::make_unique<ProfileDownloadInstaller>(),
                            .hostLookup = StandInResolver().lookup()};
}

std::unique_ptr<WebProtectionInstaller> InstalledDesktop::refusingWebProtection() {
    return std::make_unique<ProfileDownloadInstaller>();
}

} // namespace molvena::test
