#include "PlatformAdapters.h"

#include "MacBrowserLocations.h"
#include "MacDeviceInfo.h"
#include "MacHeartbeatTimer.h"
#include "MacLoginItemService.h"
#include "MacNetworkPathMonitor.h"
#include "MacWorkspace.h"
#include "ProfileDownloadInstaller.h"

#include <QDir>

namespace molvena {

PlatformAdapters PlatformAdapters::forThisSystem() {
    return PlatformAdapters{
        .loginItems = std::make_unique<MacLoginItemService>(),
        .networkPaths = std::make_unique<MacNetworkPathMonitor>(),
        .workspace = std::make_unique<MacWorkspace>(),
        .deviceInfo = std::make_unique<MacDeviceInfo>(),
        .heartbeatTimer = std::make_unique<MacHeartbeatTimer>(),
        .browserLocations = std::make_unique<MacBrowserLocations>(QDir::homePath()),
        .webProtection = std::make_unique<ProfileDownloadInstaller>(),
    };
}

} // namespace molvena
