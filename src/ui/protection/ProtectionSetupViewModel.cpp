#include "ProtectionSetupViewModel.h"

#include "app/DetachedTask.h"
#include "platform/DeviceNames.h"
#include "session/PreferenceKeys.h"

namespace molvena {

ProtectionSetupViewModel::ProtectionSetupViewModel(AppSession& session, PreferenceStore& preferences,
                                                   LaunchAtLoginManager& launchAtLogin,
                                                   MacDNSProtectionManager& dns, MacVPNDetector& vpn,
                                                   DomainCountStore& domains, MacProtectionMonitor& monitor,
                                                   WebProtectionInstaller& installer, QObject* parent)
    : QObject(parent), m_session(session), m_preferences(preferences), m_launchAtLogin(launchAtLogin),
      m_dns(dns), m_vpn(vpn), m_domains(domains), m_monitor(monitor), m_installer(installer) {
    for (auto signal :
         {&LaunchAtLoginManager::isSatisfiedChanged, &LaunchAtLoginManager::statusTextChanged,
          &LaunchAtLoginManager::requiresApprovalChanged, &LaunchAtLoginManager::isAvailableChanged}) {
        connect(&m_launchAtLogin, signal, this, &ProtectionSetupViewModel::changed);
    }
    for (auto signal : {&MacDNSProtectionManager::stateChanged, &MacDNSProtectionManager::isCheckingChanged,
                        &MacDNSProtectionManager::statusTextChanged,
                        &MacDNSProtectionManager::profileWasRequestedChanged}) {
        connect(&m_dns, signal, this, &ProtectionSetupViewModel::changed);
    }
    connect(&m_vpn, &MacVPNDetector::isVPNActiveChanged, this, &ProtectionSetupViewModel::changed);

    connect(&m_launchAtLogin, &LaunchAtLoginManager::isSatisfiedChanged, this, [this] {
        startDetached(finishIfReady(), QStringLiteral("The setup's check after automatic start"));
    });
    connect(&m_vpn, &MacVPNDetector::isVPNActiveChanged, this, [this] {
        // With a VPN on, the steps cannot be complete.
        if (!m_vpn.isVPNActive()) {
            startDetached(finishIfReady(), QStringLiteral("The setup's check after the VPN went off"));
        }
    });
    connect(&m_dns, &MacDNSProtectionManager::stateChanged, this, [this] {
        if (m_dns.isActive() && m_launchAtLogin.isSatisfied() && !m_vpn.isVPNActive()) {
            startDetached(m_monitor.activateIfLayersHold(), QStringLiteral("The setup's activation"));
        }
    });
}

bool ProtectionSetupViewModel::allStepsComplete() const {
    return m_launchAtLogin.isSatisfied() && m_dns.isActive() && !m_vpn.isVPNActive();
}

QString ProtectionSetupViewModel::webChecklistText() const {
    switch (m_dns.state()) {
    case MacDNSProtectionState::active:
        return QStringLiteral("Webbeskyttelse aktiv");
    case MacDNSProtectionState::inactive:
        return QStringLiteral("Webbeskyttelse mangler");
    case MacDNSProtectionState::unknown:
        break;
    }
    return QStringLiteral("Webbeskyttelse · kontrollerer");
}

QString ProtectionSetupViewModel::loginDetailText() const {
    return m_launchAtLogin.isSatisfied()
               ? QStringLiteral("Molvena starter automatisk, når du logger ind på %1.")
                     .arg(DeviceNames::forThisSystem().thisDevice())
               : QStringLiteral(
                     "Aktivér automatisk start, så Molvena kan holde øje med, at beskyttelsen fortsat "
                     "er på plads.");
}

QString ProtectionSetupViewModel::loginButtonText() const {
    const LoginItemTexts& texts = m_launchAtLogin.texts();
    if (m_launchAtLogin.requiresApproval()) {
        return texts.approveButton;
    }
    return m_launchAtLogin.isAvailable() ? texts.enableButton : texts.installButton;
}

QString ProtectionSetupViewModel::webStatusText() const {
    return m_dns.isChecking() ? QStringLiteral("Kontrollerer beskyttelsen…") : m_dns.statusText();
}

QString ProtectionSetupViewModel::webButtonText() const {
    const bool requestedBefore =
        m_dns.profileWasRequested() || m_preferences.boolean(preferenceKeys::macDNSProfileWasRequested);
    return requestedBefore ? QStringLiteral("Fortsæt installationen")
                           : QStringLiteral("Installer beskyttelse");
}

void ProtectionSetupViewModel::appeared() {
    startDetached(runAppeared(), QStringLiteral("The protection setup's first check"));
}

void ProtectionSetupViewModel::loginAction() {
    if (m_launchAtLogin.requiresApproval()) {
        m_launchAtLogin.openLoginItemsSettings();
    } else if (m_launchAtLogin.isAvailable()) {
        m_launchAtLogin.enable();
    } else {
        m_launchAtLogin.openApplicationsFolder();
    }
}

void ProtectionSetupViewModel::openProfileSetup() {
    if (m_profileSheet) {
        return;
    }
    m_profileSheet =
        new MacDNSProfileSetupViewModel(m_session, m_preferences, m_dns, m_monitor, m_installer, this);
    emit profileSheetChanged();
}

void ProtectionSetupViewModel::closeProfileSetup() {
    if (!m_profileSheet) {
        return;
    }
    QPointer<MacDNSProfileSetupViewModel> sheet = m_profileSheet;
    m_profileSheet = nullptr;
    emit profileSheetChanged();
    sheet->deleteLater();
}

void ProtectionSetupViewModel::recheck() {
    if (m_checking) {
        return;
    }
    startDetached(runRecheck(), QStringLiteral("The setup's manual check"));
}

QCoro::Task<> ProtectionSetupViewModel::runAppeared() {
    QPointer self(this);
    m_vpn.start();
    m_vpn.refreshNow();
    m_launchAtLogin.refresh();
    co_await finishIfReady();
}

QCoro::Task<> ProtectionSetupViewModel::finishIfReady() {
    // The monitor runs it: the evaluation it ends with must happen even when routing replaces this
    // screen the moment the layers hold.
    MacProtectionMonitor& monitor = m_monitor;
    co_await monitor.finishSetup();
}

QCoro::Task<> ProtectionSetupViewModel::runRecheck() {
    QPointer self(this);
    m_checking = true;
    emit changed();
    m_vpn.refreshNow();
    m_launchAtLogin.refresh();
    co_await finishIfReady();
    if (!self) {
        co_return;
    }
    m_checking = false;
    emit changed();
}

} // namespace molvena
