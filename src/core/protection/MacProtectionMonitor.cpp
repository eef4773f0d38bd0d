#include "MacProtectionMonitor.h"

#include "app/DebugLog.h"
#include "app/PublishedField.h"
#include "session/PreferenceKeys.h"

#include <QPointer>

#include <qcoro/qcorotimer.h>

namespace molvena {

namespace keys = preferenceKeys;

MacProtectionMonitor::MacProtectionMonitor(LaunchAtLoginManager& launchAtLogin, MacDNSProtectionManager& dns,
                                           MacVPNDetector& vpn, const APIClient& api,
                                           PreferenceStore& defaults, MonitorSchedule schedule,
                                           QObject* parent)
    : QObject(parent), m_launchAtLogin(launchAtLogin), m_dns(dns), m_vpn(vpn), m_api(api),
      m_defaults(defaults), m_schedule(schedule) {}

void MacProtectionMonitor::start() {
    debugLog("MONITOR", [] { return QStringLiteral("start()"); });
    if (m_monitorTask) {
        return;
    }
    m_vpn.start();
    m_monitorTask.emplace(runLoop(QPointer(this), m_schedule));
}

QCoro::Task<> MacProtectionMonitor::runLoop(QPointer<MacProtectionMonitor> monitor,
                                            MonitorSchedule schedule) {
    // Holds the monitor only weakly: once it is gone, the loop ends at its next step.
    co_await QCoro::sleepFor(schedule.firstDelay);
    if (!monitor) {
        co_return;
    }
    co_await monitor->evaluate(QStringLiteral("app_start"));
    while (monitor) {
        co_await QCoro::sleepFor(schedule.interval);
        if (!monitor) {
            co_return;
        }
        co_await monitor->evaluate(QStringLiteral("heartbeat"));
    }
}

QCoro::Task<> MacProtectionMonitor::activateManually() {
    co_await evaluate(QStringLiteral("manual_activation"));
}

QCoro::Task<> MacProtectionMonitor::evaluate(QString reason) {
    if (m_defaults.text(keys::macRole, QStringLiteral("none")) != QLatin1String("player") ||
        !m_defaults.boolean(keys::macSetupComplete)) {
        co_return;
    }
    m_launchAtLogin.refresh();
    m_vpn.refreshNow();
    const bool launchAtLogin = m_launchAtLogin.isSatisfied();
    const bool vpnActive = m_vpn.isVPNActive();
    const bool everActivated = m_defaults.boolean(keys::hasEverActivatedMacProtection);

    if (vpnActive) {
        // No web verification while a tunnel could route around the resolver.
        const bool web =
            m_dns.state() == MacDNSProtectionState::active || m_defaults.boolean(keys::macLastKnownDNSActive);
        setLastCheckAt(QDateTime::currentDateTimeUtc());
        setIsProtectionHealthy(false);
        setLastIssue(QStringLiteral("En VPN er aktiv og kan omgå webbeskyttelsen."));
        {
            const PreferenceStore::Batch batch(m_defaults);
            m_defaults.setValue(keys::macProtectionActive, false);
            m_defaults.setValue(keys::macLastKnownLaunchAtLoginActive, launchAtLogin);
        }
        co_await reportStatus(reason, false, launchAtLogin, web, true);
        if (everActivated) {
            co_await sendAlert(QStringLiteral("mac_vpn_detected"));
        }
        co_return;
    }

    const MacDNSProtectionState verification = co_await m_dns.verify();
    if (verification == MacDNSProtectionState::unknown) {
        // Undecided is never a removal: nothing recorded, nobody alerted.
        setLastCheckAt(QDateTime::currentDateTimeUtc());
        setIsProtectionHealthy(false);
        setLastIssue(QStringLiteral("Beskyttelsens status kunne ikke bekræftes endnu."));
        co_await reportStatus(reason, false, launchAtLogin, m_defaults.boolean(keys::macLastKnownDNSActive),
                              false);
        co_return;
    }

    const bool web = verification == MacDNSProtectionState::active;
    const bool healthy = web && launchAtLogin;
    setLastCheckAt(QDateTime::currentDateTimeUtc());
    setIsProtectionHealthy(healthy);

    if (healthy) {
        {
            const QDateTime now = QDateTime::currentDateTimeUtc();
            const PreferenceStore::Batch batch(m_defaults);
            m_defaults.setValue(keys::hasEverActivatedMacProtection, true);
            m_defaults.setValue(keys::macProtectionActive, true);
            m_defaults.setValue(keys::macLastKnownLaunchAtLoginActive, true);
            m_defaults.setValue(keys::macLastKnownDNSActive, true);
            m_defaults.setValue(keys::macLastKnownVPNActive, false);
            m_defaults.setValue(keys::macExternalRemovalAlertSent, false);
            m_defaults.remove(keys::macLastRemovalReason);
            m_defaults.setValue(keys::macLastHealthyAt, double(now.toMSecsSinceEpoch()) / 1000.0);
        }
        setLastIssue({});
        co_await reportStatus(reason, true, true, true, false);
        co_return;
    }

    {
        const PreferenceStore::Batch batch(m_defaults);
        m_defaults.setValue(keys::macProtectionActive, false);
        m_defaults.setValue(keys::macLastKnownLaunchAtLoginActive, launchAtLogin);
        m_defaults.setValue(keys::macLastKnownDNSActive, web);
        m_defaults.setValue(keys::macLastKnownVPNActive, false);
    }
    co_await reportStatus(reason, false, launchAtLogin, web, false);
    if (!everActivated) {
        // Still setting up: a missing layer is not a removal.
        setLastIssue(QStringLiteral("Beskyttelsen er endnu ikke færdigaktiveret."));
        co_return;
    }
    if (web) {
        setLastIssue(QStringLiteral("Automatisk start er slået fra."));
        co_await sendAlert(QStringLiteral("mac_launch_at_login_removed"));
    } else if (launchAtLogin) {
        setLastIssue(QStringLiteral("Webbeskyttelsen er slået fra eller fjernet."));
        co_await sendAlert(QStringLiteral("mac_dns_profile_removed_externally"));
    } else {
        setLastIssue(QStringLiteral("Beskyttelsen på denne Mac er ikke længere fuldt aktiv."));
        co_await sendAlert(QStringLiteral("mac_protection_removed_externally"));
    }
}

QCoro::Task<> MacProtectionMonitor::reportStatus(QString reason, bool active, bool launchAtLogin,
                                                 bool dnsActive, bool vpnActive) {
    const QString token = m_defaults.text(keys::deviceToken);
    if (token.isEmpty()) {
        co_return;
    }
    co_await m_api.reportDeviceStatus(token, active, false, launchAtLogin, dnsActive, vpnActive, true, reason,
                                      m_defaults.text(keys::pairingCode),
                                      m_defaults.real(keys::lastGamblingDate));
}

QCoro::Task<> MacProtectionMonitor::sendAlert(QString kind) {
    if (m_defaults.boolean(keys::macExternalRemovalAlertSent) &&
        m_defaults.text(keys::macLastRemovalReason) == kind) {
        co_return; // already told since protection was last whole
    }
    // Recorded before sending: an alert lost on the network is not sent again for the same kind.
    {
        const PreferenceStore::Batch batch(m_defaults);
        m_defaults.setValue(keys::macExternalRemovalAlertSent, true);
        m_defaults.setValue(keys::macLastRemovalReason, kind);
        m_defaults.setValue(keys::macLastKnownVPNActive, m_vpn.isVPNActive());
    }
    const QString token = m_defaults.text(keys::deviceToken);
    if (token.isEmpty()) {
        co_return;
    }
    co_await m_api.sendNotification(token, kind, QString());
}

void MacProtectionMonitor::setIsProtectionHealthy(bool healthy) {
    publish(*this, m_isProtectionHealthy, healthy, &MacProtectionMonitor::isProtectionHealthyChanged);
}

void MacProtectionMonitor::setLastCheckAt(const QDateTime& at) {
    m_lastCheckAt = at;
    emit lastCheckAtChanged();
}

void MacProtectionMonitor::setLastIssue(const QString& issue) {
    publish(*this, m_lastIssue, issue, &MacProtectionMonitor::lastIssueChanged);
}

} // namespace molvena
