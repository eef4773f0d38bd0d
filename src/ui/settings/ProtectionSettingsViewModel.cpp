#include "ProtectionSettingsViewModel.h"

#include "PlayerSettingsViewModel.h"
#include "app/DetachedTask.h"

#include <QVariantMap>

namespace molvena {

ProtectionSettingsViewModel::ProtectionSettingsViewModel(const ScreenDependencies& dependencies,
                                                         PlayerSettingsViewModel& window, QObject* parent)
    : QObject(parent), m_d(dependencies), m_window(window) {
    for (auto signal : {&LaunchAtLoginManager::isSatisfiedChanged, &LaunchAtLoginManager::statusTextChanged,
                        &LaunchAtLoginManager::detailTextChanged}) {
        connect(&m_d.launchAtLogin, signal, this, &ProtectionSettingsViewModel::changed);
    }
    for (auto signal : {&MacDNSProtectionManager::stateChanged, &MacDNSProtectionManager::statusTextChanged,
                        &MacDNSProtectionManager::detailTextChanged}) {
        connect(&m_d.dns, signal, this, &ProtectionSettingsViewModel::changed);
    }
    for (auto signal : {&MacVPNDetector::isVPNActiveChanged, &MacVPNDetector::statusTextChanged,
                        &MacVPNDetector::detailTextChanged}) {
        connect(&m_d.vpn, signal, this, &ProtectionSettingsViewModel::changed);
    }
    connect(&m_window, &PlayerSettingsViewModel::protectionCheckingChanged, this,
            &ProtectionSettingsViewModel::changed);
}

QVariantList ProtectionSettingsViewModel::layers() const {
    const auto layer = [](const char* key, const QString& title, const char* icon, bool inPlace,
                          const QString& detail, const QString& status) {
        return QVariantMap{{QStringLiteral("key"), QString::fromLatin1(key)},
                           {QStringLiteral("title"), title},
                           {QStringLiteral("icon"), QString::fromLatin1(icon)},
                           {QStringLiteral("inPlace"), inPlace},
                           {QStringLiteral("detail"), detail},
                           {QStringLiteral("status"), status}};
    };
    return {
        layer("web", QStringLiteral("Webbeskyttelse"), "network.badge.shield.half.filled", m_d.dns.isActive(),
              m_d.dns.detailText(), m_d.dns.statusText()),
        layer("vpn", QStringLiteral("VPN"), "network", !m_d.vpn.isVPNActive(), m_d.vpn.detailText(),
              m_d.vpn.statusText()),
        layer("login", QStringLiteral("Automatisk start"), "power.circle.fill", m_d.launchAtLogin.isEnabled(),
              m_d.launchAtLogin.detailText(), m_d.launchAtLogin.statusText()),
    };
}

bool ProtectionSettingsViewModel::checking() const {
    return m_window.protectionChecking();
}

QString ProtectionSettingsViewModel::checkButtonText() const {
    return checking() ? QStringLiteral("Kontrollerer…") : QStringLiteral("Kontrollér beskyttelsen");
}

void ProtectionSettingsViewModel::check() {
    if (checking()) {
        return;
    }
    startDetached(runCheck(m_d, &m_window), QStringLiteral("The settings' protection check"));
}

void ProtectionSettingsViewModel::reinstallWebProtection() {
    m_window.setShowDNSProfileSetup(true);
}

QCoro::Task<> ProtectionSettingsViewModel::runCheck(ScreenDependencies dependencies,
                                                    QPointer<PlayerSettingsViewModel> window) {
    if (!window) {
        co_return;
    }
    window->setProtectionChecking(true);
    dependencies.vpn.refreshNow();
    dependencies.launchAtLogin.refresh();
    // Through a tunnel the probes say nothing about this Mac's own resolver.
    if (!dependencies.vpn.isVPNActive()) {
        co_await dependencies.dns.verify();
    }
    co_await dependencies.protectionMonitor.evaluate(QStringLiteral("settings_refresh"));
    if (window) {
        window->setProtectionChecking(false);
    }
}

} // namespace molvena
