#include "AppViewModel.h"

#include "app/DetachedTask.h"
#include "dashboard/PlayerDashboardViewModel.h"
#include "onboarding/PlayerSetupViewModel.h"
#include "onboarding/RoleSelectionViewModel.h"
#include "protection/ProtectionSetupViewModel.h"
#include "recovery/AccountRecoveryViewModel.h"
#include "relative/RelativeDashboardViewModel.h"
#include "relative/RelativePairingViewModel.h"
#include "session/PreferenceKeys.h"

#include <utility>

namespace molvena {

AppViewModel::AppViewModel(ScreenDependencies dependencies, QObject* parent)
    : QObject(parent), m_dependencies(std::move(dependencies)) {
    AppSession& session = m_dependencies.session;
    for (auto changed : {&AppSession::roleChanged, &AppSession::isSetupCompleteChanged,
                         &AppSession::showRecoveryChanged, &AppSession::recoveryRoleChanged}) {
        connect(&session, changed, this, &AppViewModel::decide);
    }
    connect(&m_dependencies.launchAtLogin, &LaunchAtLoginManager::isEnabledChanged, this,
            &AppViewModel::decide);
    connect(&m_dependencies.dns, &MacDNSProtectionManager::stateChanged, this, &AppViewModel::decide);
    connect(&m_dependencies.vpn, &MacVPNDetector::isVPNActiveChanged, this, &AppViewModel::decide);
    connect(&m_dependencies.account, &MacAccountStore::thisMacRemoved, this, [this](const QString& message) {
        setNotice(message);
        m_screenChangesLeftForNotice = 1;
    });
    decide();
}

void AppViewModel::setNotice(const QString& notice) {
    if (notice != m_notice) {
        m_notice = notice;
        emit noticeChanged();
    }
}

void AppViewModel::dismissNotice() {
    setNotice({});
}

QString AppViewModel::screenName() const {
    return molvena::screenName(m_screen);
}

void AppViewModel::rootViewShown() {
    startDetached(m_dependencies.startup.refreshLayersForRootView(),
                  QStringLiteral("The root view's layer refresh"));
}

void AppViewModel::decide() {
    const AppSession& session = m_dependencies.session;
    const RootScreen screen = chooseRootScreen({
        .showRecovery = session.showRecovery(),
        .role = session.role(),
        .isSetupComplete = session.isSetupComplete(),
        // Read, not observed: the next change of the session or a layer brings it in.
        .hasEverActivatedMacProtection =
            m_dependencies.preferences.boolean(preferenceKeys::hasEverActivatedMacProtection),
        .launchAtLoginEnabled = m_dependencies.launchAtLogin.isEnabled(),
        .dnsActive = m_dependencies.dns.isActive(),
        .vpnActive = m_dependencies.vpn.isVPNActive(),
    });
    if (m_hasDecided && screen == m_screen) {
        return;
    }
    const bool hadDecided = std::exchange(m_hasDecided, true);
    QPointer<QObject> previous = m_screenModel;
    if (screen == RootScreen::AccountRecovery && hadDecided && m_screen != RootScreen::AccountRecovery) {
        m_underRecovery = m_screen;
        m_modelUnderRecovery = std::exchange(previous, nullptr);
    }
    QPointer<QObject> parked;
    if (screen != RootScreen::AccountRecovery) {
        parked = std::exchange(m_modelUnderRecovery, nullptr);
    }
    if (m_screenChangesLeftForNotice-- <= 0) {
        setNotice({});
    }
    m_screen = screen;
    if (parked && screen == m_underRecovery) {
        m_screenModel = std::exchange(parked, nullptr);
    } else {
        m_screenModel = makeScreenModel(screen);
    }
    emit screenChanged();
    // The old screen is torn down by now or about to be (deferred); its model goes after it.
    for (QObject* unused : {previous.data(), parked.data()}) {
        if (unused) {
            unused->deleteLater();
        }
    }
}

QObject* AppViewModel::makeScreenModel(RootScreen screen) {
    ScreenDependencies& d = m_dependencies;
    switch (screen) {
    case RootScreen::RoleSelection:
        return new RoleSelectionViewModel(d.session, d.domainCount, this);
    case RootScreen::PlayerSetup:
        return new PlayerSetupViewModel(d.session, d.api, d.domainCount, d.now, this);
    case RootScreen::ProtectionSetup:
        return new ProtectionSetupViewModel(d.session, d.preferences, d.launchAtLogin, d.dns, d.vpn,
                                            d.domainCount, d.protectionMonitor, d.webProtection, this);
    case RootScreen::PlayerDashboard:
        return new PlayerDashboardViewModel({d.session, d.account, d.launchAtLogin, d.dns, d.vpn,
                                             d.domainCount, d.protectionMonitor, d.network,
                                             d.deployment.apiBase, d.now},
                                            d, this);
    case RootScreen::AccountRecovery:
        return new AccountRecoveryViewModel(d.session, d.api, d.session.recoveryRole(), this);
    case RootScreen::RelativePairing:
        return new RelativePairingViewModel(d.session, d.api, d.domainCount, this);
    case RootScreen::RelativeDashboard:
        return new RelativeDashboardViewModel(d.session, d.api, this);
    }
    Q_UNREACHABLE();
    return nullptr;
}

} // namespace molvena
