#pragma once

#include "platform/NetworkPathMonitor.h"

#include <QSocketNotifier>
#include <QString>

#include <memory>
#include <optional>

namespace molvena {

// Linux: the kernel's link, address and route events (rtnetlink) tell when the path may have
// changed; each time the interfaces are read again. Tunnel interfaces (tun, WireGuard, IPsec,
// Tailscale and other ARPHRD_NONE links, PPP, IP-in-IP and GRE tunnels, and tap devices) that can
// carry traffic (up, with a carrier, and with an address or a route through them) count as type
// "other", in interface-index order. The socket belongs to the network namespace the
// process runs in.
class NetlinkNetworkPathMonitor : public NetworkPathMonitor {
    Q_OBJECT
public:
    explicit NetlinkNetworkPathMonitor(QString sysfsNetFolder = QStringLiteral("/sys/class/net"),
                                       QString procNetFolder = QStringLiteral("/proc/net"),
                                       QObject* parent = nullptr);
    ~NetlinkNetworkPathMonitor() override;

    bool start() override;
    bool isStarted() const override { return m_socket >= 0; }
    NetworkPath currentPath() const override;

    // Whether a link of this hardware type (ARPHRD_*) and tun/tap flags is a tunnel.
    static bool isTunnelLink(int hardwareType, std::optional<unsigned> tunFlags);

private:
    void onSocketActivity();
    std::optional<bool> isTunnelBySysfs(const QString& name) const;

    QString m_sysfsNetFolder;
    QString m_procNetFolder;
    int m_socket = -1;
    std::unique_ptr<QSocketNotifier> m_notifier;
    std::optional<NetworkPath> m_lastDelivered;
};

} // namespace molvena
