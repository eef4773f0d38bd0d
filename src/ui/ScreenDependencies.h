#pragma once

#include "app/StartupSequence.h"
#include "backend/APIClient.h"
#include "platform/DeviceInfo.h"
#include "platform/Workspace.h"
#include "protection/DomainCountStore.h"
#include "protection/LaunchAtLoginManager.h"
#include "protection/MacDNSProtectionManager.h"
#include "protection/MacProtectionMonitor.h"
#include "protection/MacVPNDetector.h"
#include "session/AppSession.h"
#include "session/PreferenceStore.h"

#include <QDateTime>

#include <functional>

namespace molvena {

// The long-lived objects the composition root built, as the screens' view models receive them.
struct ScreenDependencies {
    AppSession& session;
    const APIClient& api;
    PreferenceStore& preferences;
    LaunchAtLoginManager& launchAtLogin;
    MacDNSProtectionManager& dns;
    MacVPNDetector& vpn;
    DomainCountStore& domainCount;
    MacProtectionMonitor& protectionMonitor;
    Workspace& workspace;
    const DeviceInfo& deviceInfo;
    StartupSequence& startup;
    std::function<QDateTime()> now;
};

} // namespace molvena
