#pragma once

#include "LaunchAtLoginManager.h"
#include "MacDNSProtectionManager.h"
#include "MacVPNDetector.h"
#include "backend/APIClient.h"
#include "session/PreferenceStore.h"

#include <QDateTime>
#include <QObject>
#include <QPointer>
#include <QString>

#include <qcoro/qcorotask.h>

#include <chrono>
#include <optional>

namespace molvena {

// When the monitor's loop evaluates: once shortly after start, then on every heartbeat.
struct MonitorSchedule {
    std::chrono::milliseconds firstDelay{700};
    std::chrono::milliseconds interval{300'000};
};

// Decides, for a player whose setup is complete, whether the protection is whole (login item, web
// protection, no VPN); records the outcome, reports the device status and tells the backend once
// per kind when a layer that was once in place is gone. Runs shortly after start, then on a
// heartbeat, and whenever a screen asks.
class MacProtectionMonitor : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool isProtectionHealthy READ isProtectionHealthy NOTIFY isProtectionHealthyChanged)
    Q_PROPERTY(QDateTime lastCheckAt READ lastCheckAtOrInvalid NOTIFY lastCheckAtChanged)
    Q_PROPERTY(QString lastIssue READ lastIssue NOTIFY lastIssueChanged)

public:
    MacProtectionMonitor(LaunchAtLoginManager& launchAtLogin, MacDNSProtectionManager& dns,
                         MacVPNDetector& vpn, const APIClient& api, PreferenceStore& defaults,
                         MonitorSchedule schedule = {}, QObject* parent = nullptr);

    bool isProtectionHealthy() const { return m_isProtectionHealthy; }
    std::optional<QDateTime> lastCheckAt() const { return m_lastCheckAt; }
    QString lastIssue() const { return m_lastIssue; }
    std::chrono::milliseconds interval() const { return m_schedule.interval; }
    bool isStarted() const { return m_monitorTask.has_value(); }

    // Starts the VPN detector and the periodic loop; later calls do nothing.
    void start();
    // One evaluation; `reason` is sent as the status report's source.
    QCoro::Task<> evaluate(QString reason);
    QCoro::Task<> activateManually();

signals:
    void isProtectionHealthyChanged();
    void lastCheckAtChanged();
    void lastIssueChanged();

private:
    static QCoro::Task<> runLoop(QPointer<MacProtectionMonitor> monitor, MonitorSchedule schedule);
    QCoro::Task<> reportStatus(QString reason, bool active, bool launchAtLogin, bool dnsActive,
                               bool vpnActive);
    QCoro::Task<> sendAlert(QString kind);

    QDateTime lastCheckAtOrInvalid() const { return m_lastCheckAt.value_or(QDateTime()); }
    void setIsProtectionHealthy(bool healthy);
    void setLastCheckAt(const QDateTime& at);
    void setLastIssue(const QString& issue);

    LaunchAtLoginManager& m_launchAtLogin;
    MacDNSProtectionManager& m_dns;
    MacVPNDetector& m_vpn;
    const APIClient& m_api;
    PreferenceStore& m_defaults;
    MonitorSchedule m_schedule;

    bool m_isProtectionHealthy = false;
    std::optional<QDateTime> m_lastCheckAt;
    QString m_lastIssue;
    std::optional<QCoro::Task<>> m_monitorTask;
};

} // namespace molvena
