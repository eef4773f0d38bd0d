#pragma once

#include "session/UserRole.h"

#include <QString>

namespace molvena {

// The screens the window can show; exactly one at a time.
enum class RootScreen {
    AccountRecovery,
    RoleSelection,
    PlayerSetup,
    RelativePairing,
    ProtectionSetup,
    PlayerDashboard,
    RelativeDashboard,
};

// The screen's name as the QML root and the diagnostic log know it ("PlayerSetup").
QString screenName(RootScreen screen);

// Everything the choice of screen depends on.
struct RootScreenInputs {
    bool showRecovery = false;
    UserRole role = UserRole::none;
    bool isSetupComplete = false;
    bool hasEverActivatedMacProtection = false;
    bool launchAtLoginEnabled = false;
    bool dnsActive = false;
    bool vpnActive = false;
};

// The first rule that holds decides: recovery overlays everything; a player is led through the
// protection setup until the monitor has once seen the three layers in place, and goes straight to
// the dashboard when they already hold.
RootScreen chooseRootScreen(const RootScreenInputs& inputs);

} // namespace molvena
