#pragma once

#include "platform/BrowserLocations.h"
#include "platform/DeviceInfo.h"
#include "platform/HeartbeatTimer.h"
#include "platform/LoginItemService.h"
#include "platform/NetworkPathMonitor.h"
#include "platform/WebProtectionInstaller.h"
#include "platform/Workspace.h"
#include "protection/HostLookup.h"

#include <memory>

namespace molvena {

// This operating system's implementations of the core's platform interfaces, made once by the
// composition root and kept for the life of the process.
struct PlatformAdapters {
    std::unique_ptr<LoginItemService> loginItems;
    std::unique_ptr<NetworkPathMonitor> networkPaths;
    std::unique_ptr<Workspace> workspace;
    std::unique_ptr<DeviceInfo> deviceInfo;
    std::unique_ptr<HeartbeatTimer> heartbeatTimer; // counts time asleep; the monitor's heartbeat
    std::unique_ptr<BrowserLocations> browserLocations;
    std::unique_ptr<WebProtectionInstaller> webProtection;
    HostLookup hostLookup = lookUpHostWithSystemResolver; // the system's resolver, as every program asks

    // Defined once per operating system.
    static PlatformAdapters forThisSystem();
};

} // namespace molvena
