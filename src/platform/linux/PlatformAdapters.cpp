#include "PlatformAdapters.h"

#include "BootTimeHeartbeatTimer.h"
#include "LinuxBrowserLocations.h"
#include "LinuxDeviceInfo.h"
#include "LinuxWorkspace.h"
#include "NetlinkNetworkPathMonitor.h"
#include "PolkitWebProtectionInstaller.h"
#include "XdgAutostartLoginItem.h"

namespace molvena {

PlatformAdapters PlatformAdapters::forThisSystem() {
    return PlatformAdapters{
        .loginItems = std::make_unique<XdgAutostartLoginItem>(),
        .networkPaths = std::make_unique<NetlinkNetworkPathMonitor>(),
        .workspace = std::make_unique<LinuxWorkspace>(),
        .deviceInfo = std::make_unique<LinuxDeviceInfo>(),
        .heartbeatTimer = std::make_unique<BootTimeHeartbeatTimer>(),
        .browserLocations = std::make_unique<LinuxBrowserLocations>(LinuxBrowserLocations::Roots::current()),
        .webProtection = std::make_unique<PolkitWebProtectionInstaller>(
            PolkitWebProtectionInstaller::commandForThisBuild()),
    };
}

} // namespace molvena
