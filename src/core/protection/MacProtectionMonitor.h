#pragma once

#include "BrowserDNSBypassCheck.h"
#include "LaunchAtLoginManager.h"
#include "MacDNSProtectionManager.h"
#include "MacVPNDetector.h"
#include "backend/APIClient.h"
#include "platform/HeartbeatTimer.h"
#include "session/PreferenceStore.h"

#include <QDateTime>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <QVariantList>

#include <qcoro/qcorotask.h>

#include <chrono>
#include <optional>

namespace molvena {

// When the monitor's loop evaluates: once shortly after start, then on every heartbeat (counted on
// the heartbeat timer, which counts time asleep).
struct MonitorSchedule {
    std::chrono::milliseconds firstDelay{700};
    std::chrono::milliseconds interval{300'000};
    // After a check that could not decide, how long the network must stay usable before one more.
    std::chrono::milliseconds recheckDelay{3000};
};

// Decides, for a player whose setup is complete, whether the protection is whole (login item, web
// protection, no VPN); records the outcome, reports the device status and tells the backend once
// per kind when a layer that was once in place is gone. Runs shortly after start, then on a
// heartbeat, and whenever a screen asks. Each evaluation also reads which browsers resolve names
// themselves around the web protection, reports them and tells the backend once per browser.
class MacProtectionMonitor : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool isProtectionHealthy READ isProtectionHealthy NOTIFY isProtectionHealthyChanged)
    Q_PROPERTY(QDateTime lastCheckAt READ lastCheckAtOrInvalid NOTIFY lastCheckAtChanged)
    Q_PROPERTY(QString lastIssue READ lastIssue NOTIFY lastIssueChanged)
    // The browsers that go around the web protection: {browser, provider, steps} each.
    Q_PROPERTY(QVariantList browserBypasses READ browserBypasses NOTIFY browserFindingsChanged)
    // The browsers whose settings could not be read: {browser, reason} each.
    Q_PROPERTY(QVariantList browsersNotChecked READ browsersNotChecked NOTIFY browserFindingsChanged)

public:
    MacProtectionMonitor(LaunchAtLoginManager& launchAtLogin, MacDNSProtectionManager& dns,
                         MacVPNDetector& vpn, const BrowserDNSBypassCheck& browsers, const APIClient& api,
                         PreferenceStore& defaults, HeartbeatTimer& heartbeat, MonitorSchedule schedule = {},
                         QObject* parent = nullptr);

    bool isProtectionHealthy() const { return m_isProtectionHealthy; }
    std::optional<QDateTime> lastCheckAt() const { return m_lastCheckAt; }
    QString lastIssue() const { return m_lastIssue; }
    std::chrono::milliseconds interval() const { return m_schedule.interval; }
    bool isStarted() const { return m_monitorTask.has_value(); }
    QList<BrowserFinding> browserFindings() const { return m_browserFindings; }
    QVariantList browserBypasses() const;
    QVariantList browsersNotChecked() const;
    // The names of the browsers found resolving names themselves, in the check's order.
    QStringList bypassingBrowsers() const;
    // Short Danish steps that switch the browser's own DNS off.
    static QString switchOffSteps(const QString& browser);

    // Starts the VPN detector and the periodic loop; later calls do nothing.
    void start();
    // One evaluation; `reason` is sent as the status report's source.
    QCoro::Task<> evaluate(QString reason);
    QCoro::Task<> activateManually();
    // The setup screen's finishing step, which belongs here because routing replaces the screen the
    // moment the layers hold: verifies the web protection (unless a VPN is on), then evaluates with
    // "manual_activation" when all three layers hold.
    QCoro::Task<> finishSetup();
    // Evaluates with "manual_activation" when the three layers hold; one such evaluation at a time.
    QCoro::Task<> activateIfLayersHold();
    // Reads the browsers' settings again, on a worker thread (nothing sent); evaluations do it too.
    Q_INVOKABLE void checkBrowsers();
    QCoro::Task<> refreshBrowserFindings();

signals:
    void isProtectionHealthyChanged();
    void lastCheckAtChanged();
    void lastIssueChanged();
    void browserFindingsChanged();

private:
    // A player whose setup is complete: the only session the monitor evaluates and records for.
    bool isCompletePlayer() const;
    static QCoro::Task<> runLoop(QPointer<MacProtectionMonitor> monitor, MonitorSchedule schedule);
    QCoro::Task<> reportStatus(QString reason, bool active, bool launchAtLogin, bool dnsActive,
                               bool vpnActive);
    QCoro::Task<> evaluateLayers(QString reason, bool everActivated);
    QCoro::Task<> sendAlert(QString kind);
    QCoro::Task<> sendBrowserAlerts();

    QDateTime lastCheckAtOrInvalid() const { return m_lastCheckAt.value_or(QDateTime()); }
    void setIsProtectionHealthy(bool healthy);
    void setLastCheckAt(const QDateTime& at);
    void setLastIssue(const QString& issue);

    LaunchAtLoginManager& m_launchAtLogin;
    MacDNSProtectionManager& m_dns;
    MacVPNDetector& m_vpn;
    const BrowserDNSBypassCheck& m_browsers;
    const APIClient& m_api;
    PreferenceStore& m_defaults;
    HeartbeatTimer& m_heartbeat;
    MonitorSchedule m_schedule;

    bool m_isProtectionHealthy = false;
    std::optional<QDateTime> m_lastCheckAt;
    QString m_lastIssue;
    QList<BrowserFinding> m_browserFindings;
    std::optional<QCoro::Task<>> m_monitorTask;
    bool m_activating = false;
    // Counts browser checks, so that a slow one cannot overwrite the findings of a later one.
    quint64 m_browserChecksStarted = 0;
    quint64 m_browserChecksApplied = 0;
    // The last evaluation could not decide: check once more when the network is back.
    bool m_recheckWanted = false;
    QTimer m_recheck;
};

} // namespace molvena
