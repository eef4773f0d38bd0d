#pragma once

#include "platform/DeviceInfo.h"
#include "protection/DomainCountStore.h"
#include "protection/LaunchAtLoginManager.h"
#include "protection/MacDNSProtectionManager.h"
#include "protection/MacProtectionMonitor.h"
#include "protection/MacVPNDetector.h"

#include <QObject>
#include <QString>

#include <qcoro/qcorotask.h>

#include <chrono>

namespace molvena {

// Brings the mirrors of the three protection layers up to date when the window first shows, fetches
// the blocked-domain count and starts the monitor; and the shorter refresh the root view runs beside
// it. Both may run at once: the detector starts watching only once, and a verification that is
// already running answers a second caller with its state.
class StartupSequence : public QObject {
    Q_OBJECT
public:
    StartupSequence(const DeviceInfo& device, MacVPNDetector& vpn, LaunchAtLoginManager& launchAtLogin,
                    MacDNSProtectionManager& dns, DomainCountStore& domainCount,
                    MacProtectionMonitor& protectionMonitor,
                    std::chrono::milliseconds pathSettleDelay = std::chrono::milliseconds(500),
                    QObject* parent = nullptr);

    QCoro::Task<> run();
    QCoro::Task<> refreshLayersForRootView();

    // The third diagnostic line: identifier ("nil" when there is none), version and build ("?" each).
    static QString bundleLine(const DeviceInfo& device);

private:
    const DeviceInfo& m_device;
    MacVPNDetector& m_vpn;
    LaunchAtLoginManager& m_launchAtLogin;
    MacDNSProtectionManager& m_dns;
    DomainCountStore& m_domainCount;
    MacProtectionMonitor& m_protectionMonitor;
    std::chrono::milliseconds m_pathSettleDelay;
};

} // namespace molvena
