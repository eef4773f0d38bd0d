#pragma once

#include "account/MacAccountStore.h"
#include "app/Deployment.h"
#include "app/StartupSequence.h"
#include "backend/APIClient.h"
#include "platform/DeviceInfo.h"
#include "platform/WebProtectionInstaller.h"
#include "platform/Workspace.h"
#include "protection/DomainCountStore.h"
#include "protection/LaunchAtLoginManager.h"
#include "protection/MacDNSProtectionManager.h"
#include "protection/MacProtectionMonitor.h"
#include "protection/MacVPNDetector.h"
#include "session/AppSession.h"
#include "session/PreferenceStore.h"

#include <QDateTime>
#include <QNetworkAccessManager>

#include <functional>

namespace molvena {

// The long-lived objects the composition root built, as the screens' view models receive them.
struct ScreenDependencies {
    AppSession& session;
    const APIClient& api;
    // For the requests a screen makes itself (its own connected-relatives store).
    QNetworkAccessManager& network;
    const Deployment& deployment;
    PreferenceStore& preferences;
    LaunchAtLoginManager& launchAtLogin;
    MacDNSProtectionManager& dns;
    MacVPNDetector& vpn;
    MacAccountStore& account;
    DomainCountStore& domainCount;
    MacProtectionMonitor& protectionMonitor;
    Workspace& workspace;
    WebProtectionInstaller& webProtection;
    const DeviceInfo& deviceInfo;
    StartupSequence& startup;
    std::function<QDateTime()> now;
};

} // namespace molvena
