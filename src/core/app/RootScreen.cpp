#include "RootScreen.h"

namespace molvena {

QString screenName(RootScreen screen) {
    switch (screen) {
    case RootScreen::AccountRecovery:
        return QStringLiteral("AccountRecovery");
    case RootScreen::RoleSelection:
        return QStringLiteral("RoleSelection");
    case RootScreen::PlayerSetup:
        return QStringLiteral("PlayerSetup");
    case RootScreen::RelativePairing:
        return QStringLiteral("RelativePairing");
    case RootScreen::ProtectionSetup:
        return QStringLiteral("ProtectionSetup");
    case RootScreen::PlayerDashboard:
        return QStringLiteral("PlayerDashboard");
    case RootScreen::RelativeDashboard:
        return QStringLiteral("RelativeDashboard");
    }
    return {};
}

RootScreen chooseRootScreen(const RootScreenInputs& inputs) {
    if (inputs.showRecovery) {
        return RootScreen::AccountRecovery;
    }
    switch (inputs.role) {
    case UserRole::none:
        return RootScreen::RoleSelection;
    case UserRole::relative:
        return inputs.isSetupComplete ? RootScreen::RelativeDashboard : RootScreen::RelativePairing;
    case UserRole::player:
        break;
    }
    if (!inputs.isSetupComplete) {
        return RootScreen::PlayerSetup;
    }
    const bool allLayersHold = inputs.launchAtLoginEnabled && inputs.dnsActive && !inputs.vpnActive;
    if (!inputs.hasEverActivatedMacProtection && !allLayersHold) {
        return RootScreen::ProtectionSetup;
    }
    return RootScreen::PlayerDashboard;
}

} // namespace molvena
