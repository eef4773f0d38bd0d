#pragma once

#include "AppViewModel.h"
#include "PlatformAdapters.h"
#include "account/MacAccountStore.h"
#include "app/Deployment.h"
#include "app/StartupSequence.h"
#include "backend/APIClient.h"
#include "protection/DomainCountStore.h"
#include "protection/LaunchAtLoginManager.h"
#include "protection/MacDNSProtectionManager.h"
#include "protection/MacProtectionMonitor.h"
#include "protection/MacVPNDetector.h"
#include "session/AppSession.h"
#include "session/PreferenceStore.h"

#include <QNetworkAccessManager>
#include <QObject>
#include <QQmlApplicationEngine>

#include <memory>

class QQuickWindow;

namespace molvena {

// What the composition root is built from: the platform's adapters, where the backend and the probe
// sites are, and the preference store. main() passes this system's; tests pass their own.
struct AppConfiguration {
    PlatformAdapters adapters;
    Deployment deployment;
    std::unique_ptr<PreferenceStore> preferences;
    MonitorSchedule monitorSchedule;
};

// The application entry and composition root: builds every long-lived object once, in order, hands
// them to the screens through the root view model, opens the one window and runs the start-up
// sequence. Members are declared in the order they are built (and destroyed in reverse).
class MolvenaMacApp : public QObject {
    Q_OBJECT
public:
    explicit MolvenaMacApp(AppConfiguration configuration, QObject* parent = nullptr);

    // Loads the root QML (once), shows the window and starts the start-up sequence (once); false
    // when the QML could not be loaded. Shows a closed window again.
    bool show();
    QQuickWindow* window() const;

    PreferenceStore& preferences() { return *m_configuration.preferences; }
    const APIClient& api() const { return m_api; }
    AppSession& session() { return m_session; }
    LaunchAtLoginManager& launchAtLogin() { return m_launchAtLogin; }
    MacDNSProtectionManager& dns() { return m_dns; }
    MacVPNDetector& vpn() { return m_vpn; }
    MacAccountStore& account() { return m_account; }
    DomainCountStore& domainCount() { return m_domainCount; }
    MacProtectionMonitor& protectionMonitor() { return m_protectionMonitor; }
    AppViewModel& rootViewModel() { return m_rootViewModel; }

private:
    AppConfiguration m_configuration;
    QNetworkAccessManager m_network;
    APIClient m_api;
    AppSession m_session;
    LaunchAtLoginManager m_launchAtLogin;
    MacDNSProtectionManager m_dns;
    MacVPNDetector m_vpn;
    MacAccountStore m_account;
    DomainCountStore m_domainCount;
    BrowserDNSBypassCheck m_browserCheck;
    MacProtectionMonitor m_protectionMonitor;
    StartupSequence m_startup;
    AppViewModel m_rootViewModel;
    QQmlApplicationEngine m_engine;
    bool m_startupStarted = false;
};

} // namespace molvena
