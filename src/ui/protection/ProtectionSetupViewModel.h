#pragma once

#include "MacDNSProfileSetupViewModel.h"
#include "protection/DomainCountStore.h"
#include "protection/LaunchAtLoginManager.h"
#include "protection/MacDNSProtectionManager.h"
#include "protection/MacProtectionMonitor.h"
#include "protection/MacVPNDetector.h"
#include "session/AppSession.h"
#include "session/PreferenceStore.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QtQml/qqmlregistration.h>
#include <qcoro/qcorotask.h>

namespace molvena {

// The last step of a player's onboarding: the three protection layers as steps with their live status
// and one action each. When all three hold, the monitor's first evaluation marks protection activated.
class ProtectionSetupViewModel : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("The root view model makes it.")
    Q_PROPERTY(molvena::LaunchAtLoginManager* launchAtLogin READ launchAtLogin CONSTANT)
    Q_PROPERTY(molvena::MacDNSProtectionManager* dns READ dns CONSTANT)
    Q_PROPERTY(molvena::MacVPNDetector* vpn READ vpn CONSTANT)
    Q_PROPERTY(molvena::DomainCountStore* domains READ domains CONSTANT)
    Q_PROPERTY(bool checking READ checking NOTIFY changed)
    Q_PROPERTY(bool allStepsComplete READ allStepsComplete NOTIFY changed)
    Q_PROPERTY(QString webChecklistText READ webChecklistText NOTIFY changed)
    Q_PROPERTY(QString loginDetailText READ loginDetailText NOTIFY changed)
    Q_PROPERTY(QString loginButtonText READ loginButtonText NOTIFY changed)
    Q_PROPERTY(QString webStatusText READ webStatusText NOTIFY changed)
    Q_PROPERTY(QString webButtonText READ webButtonText NOTIFY changed)
    Q_PROPERTY(
        molvena::MacDNSProfileSetupViewModel* profileSheet READ profileSheet NOTIFY profileSheetChanged)

public:
    ProtectionSetupViewModel(AppSession& session, PreferenceStore& preferences,
                             LaunchAtLoginManager& launchAtLogin, MacDNSProtectionManager& dns,
                             MacVPNDetector& vpn, DomainCountStore& domains, MacProtectionMonitor& monitor,
                             WebProtectionInstaller& installer, QObject* parent = nullptr);

    LaunchAtLoginManager* launchAtLogin() const { return &m_launchAtLogin; }
    MacDNSProtectionManager* dns() const { return &m_dns; }
    MacVPNDetector* vpn() const { return &m_vpn; }
    DomainCountStore* domains() const { return &m_domains; }
    bool checking() const { return m_checking; }
    bool allStepsComplete() const;
    QString webChecklistText() const;
    QString loginDetailText() const;
    QString loginButtonText() const;
    QString webStatusText() const;
    QString webButtonText() const;
    // The profile sheet while it is shown (the screen's showDNSProfileSetup), else null.
    MacDNSProfileSetupViewModel* profileSheet() const { return m_profileSheet; }

    Q_INVOKABLE void appeared();
    Q_INVOKABLE void loginAction();
    Q_INVOKABLE void openProfileSetup();
    Q_INVOKABLE void closeProfileSetup();
    Q_INVOKABLE void openNetworkSettings() { m_vpn.openNetworkSettings(); }
    Q_INVOKABLE void recheck();

    QCoro::Task<> runAppeared();
    QCoro::Task<> finishIfReady();
    QCoro::Task<> runRecheck();

signals:
    void changed();
    void profileSheetChanged();

private:
    AppSession& m_session;
    PreferenceStore& m_preferences;
    LaunchAtLoginManager& m_launchAtLogin;
    MacDNSProtectionManager& m_dns;
    MacVPNDetector& m_vpn;
    DomainCountStore& m_domains;
    MacProtectionMonitor& m_monitor;
    bool m_checking = false;
    WebProtectionInstaller& m_installer;
    QPointer<MacDNSProfileSetupViewModel> m_profileSheet;
};

} // namespace molvena
