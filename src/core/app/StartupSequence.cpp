#include "StartupSequence.h"

#include "app/DebugLog.h"

#include <QPointer>

#include <qcoro/qcorotimer.h>

namespace molvena {

StartupSequence::StartupSequence(const DeviceInfo& device, MacVPNDetector& vpn,
                                 LaunchAtLoginManager& launchAtLogin, MacDNSProtectionManager& dns,
                                 DomainCountStore& domainCount, MacProtectionMonitor& protectionMonitor,
                                 std::chrono::milliseconds pathSettleDelay, QObject* parent)
    : QObject(parent), m_device(device), m_vpn(vpn), m_launchAtLogin(launchAtLogin), m_dns(dns),
      m_domainCount(domainCount), m_protectionMonitor(protectionMonitor), m_pathSettleDelay(pathSettleDelay) {
}

QString StartupSequence::bundleLine(const DeviceInfo& device) {
    const QString unknown = QStringLiteral("?");
    return QStringLiteral("bundleID=%1 version=%2 build=%3")
        .arg(device.bundleIdentifier().value_or(QStringLiteral("nil")),
             device.shortVersion().value_or(unknown), device.buildVersion().value_or(unknown));
}

QCoro::Task<> StartupSequence::run() {
    debugLog("APP", [] { return QStringLiteral("========== MOLVENA DEBUG SESSION START =========="); });
    debugLog("APP", [this] { return QStringLiteral("bundlePath=") + m_device.bundlePath(); });
    debugLog("APP", [this] { return bundleLine(m_device); });

    // The app may quit while a step is under way; the objects below go with this one.
    const QPointer<StartupSequence> self(this);
    m_vpn.start();
    // The first path update needs a moment to arrive after the observation starts.
    co_await QCoro::sleepFor(m_pathSettleDelay);
    if (!self) {
        co_return;
    }
    m_vpn.refreshNow();
    m_launchAtLogin.refresh();
    // Through a tunnel the probes would only test the tunnel's resolver.
    if (!m_vpn.isVPNActive()) {
        co_await m_dns.verify();
        if (!self) {
            co_return;
        }
    }
    co_await m_domainCount.refresh();
    if (!self) {
        co_return;
    }
    m_protectionMonitor.start();
}

QCoro::Task<> StartupSequence::refreshLayersForRootView() {
    m_vpn.start();
    m_vpn.refreshNow();
    m_launchAtLogin.refresh();
    if (m_vpn.isVPNActive()) {
        co_return;
    }
    co_await m_dns.verify();
}

} // namespace molvena
