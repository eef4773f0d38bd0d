#include "InstalledDesktop.h"

#include "FixedDeviceInfo.h"
#include "linux/BootTimeHeartbeatTimer.h"
#include "linux/LinuxBrowserLocations.h"
#include "linux/PolkitWebProtectionInstaller.h"
#include "linux/XdgAutostartLoginItem.h"
#include "macos/ProfileDownloadInstaller.h"

namespace molvena::test {

PlatformAdapters InstalledDesktop::adapters() {
    const QString root = folder.filePath(QStringLiteral("usr"));
    const QString program = root + QStringLiteral("/bin/molvena");
    writeFile(program, {});
    auto loginItem = std::make_unique<XdgAutostartLoginItem>(XdgAutostartLoginItem::Locations{
        .configHome = folder.filePath(QStringLiteral("config")),
        .executablePath = program,
        .installedRoots = {root},
        .environment = {},
    });
    autostartEntry = loginItem->entryPath();
    auto pathMonitor = std::make_unique<DrivenPathMonitor>();
    auto recording = std::make_unique<RecordingWorkspace>();
    paths = pathMonitor.get();
    workspace = recording.get();
    return PlatformAdapters{
        .loginItems = std::move(loginItem),
        .networkPaths = std::move(pathMonitor),
        .workspace = std::move(recording),
        .deviceInfo = std::make_unique<FixedDeviceInfo>(QStringLiteral("Annas MacBook Air")),
        .heartbeatTimer = std::make_unique<BootTimeHeartbeatTimer>(),
        .browserLocations = std::make_unique<LinuxBrowserLocations>(
            LinuxBrowserLocations::Roots{.home = folder.path(),
                                         .configHome = folder.filePath(QStringLiteral("config")),
                                         .systemRoot = folder.filePath(QStringLiteral("system"))}),
        // The journeys walk the Mac's profile sheet; Linux's step runs in the namespace test.
        .webProtection = std::make_unique<ProfileDownloadInstaller>(),
        .hostLookup = StandInResolver().lookup()};
}

std::unique_ptr<WebProtectionInstaller> InstalledDesktop::refusingWebProtection() {
    return std::make_unique<PolkitWebProtectionInstaller>(QStringList{QStringLiteral("false")});
}

} // namespace molvena::test
