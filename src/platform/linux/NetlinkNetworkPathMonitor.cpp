#include "NetlinkNetworkPathMonitor.h"

#include <QFile>
#include <QNetworkInterface>

#include <algorithm>
#include <array>
#include <cerrno>

#include <linux/if_arp.h>
#include <linux/if_tun.h>
#include <linux/netlink.h>
#include <linux/rtnetlink.h>
#include <sys/socket.h>
#include <unistd.h>

namespace molvena {

namespace {

std::optional<QString> readSysfsValue(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        return std::nullopt;
    }
    return QString::fromLatin1(file.readAll()).trimmed();
}

} // namespace

NetlinkNetworkPathMonitor::NetlinkNetworkPathMonitor(QString sysfsNetFolder, QObject* parent)
    : NetworkPathMonitor(parent), m_sysfsNetFolder(std::move(sysfsNetFolder)) {}

NetlinkNetworkPathMonitor::~NetlinkNetworkPathMonitor() {
    m_notifier.reset();
    if (m_socket >= 0) {
        ::close(m_socket);
    }
}

bool NetlinkNetworkPathMonitor::start() {
    if (m_socket >= 0) {
        return true;
    }
    const int socket = ::socket(AF_NETLINK, SOCK_RAW | SOCK_CLOEXEC | SOCK_NONBLOCK, NETLINK_ROUTE);
    if (socket < 0) {
        return false;
    }
    sockaddr_nl address{};
    address.nl_family = AF_NETLINK;
    address.nl_groups = RTMGRP_LINK | RTMGRP_IPV4_IFADDR | RTMGRP_IPV6_IFADDR;
    if (::bind(socket, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        ::close(socket);
        return false;
    }
    m_socket = socket;
    m_notifier = std::make_unique<QSocketNotifier>(m_socket, QSocketNotifier::Read);
    connect(m_notifier.get(), &QSocketNotifier::activated, this,
            &NetlinkNetworkPathMonitor::onSocketActivity);
    // The path as it is when watching begins counts as the first update.
    QMetaObject::invokeMethod(this, &NetlinkNetworkPathMonitor::onSocketActivity, Qt::QueuedConnection);
    return true;
}

void NetlinkNetworkPathMonitor::onSocketActivity() {
    // Only "something changed" matters: drain every queued message (an overflow, ENOBUFS, too), then
    // read the interfaces once.
    std::array<char, 16384> buffer{};
    for (;;) {
        const ssize_t received = ::recv(m_socket, buffer.data(), buffer.size(), MSG_DONTWAIT);
        if (received < 0 && errno == ENOBUFS) {
            continue;
        }
        if (received <= 0) {
            break;
        }
    }
    NetworkPath path = currentPath();
    if (m_lastDelivered == path) {
        return;
    }
    m_lastDelivered = path;
    emit pathUpdated(path);
}

bool NetlinkNetworkPathMonitor::isTunnelLink(int hardwareType, std::optional<unsigned> tunFlags) {
    switch (hardwareType) {
    case ARPHRD_NONE: // tun, WireGuard, Tailscale, xfrm (IPsec) interfaces
    case ARPHRD_PPP:
    case ARPHRD_TUNNEL: // IP-in-IP, vti
    case ARPHRD_TUNNEL6:
    case ARPHRD_SIT:
    case ARPHRD_IPGRE:
    case ARPHRD_IP6GRE:
        return true;
    case ARPHRD_ETHER: // a tap device is an Ethernet link that a program feeds
        return tunFlags && (*tunFlags & IFF_TAP) != 0;
    default:
        return false;
    }
}

std::optional<bool> NetlinkNetworkPathMonitor::isTunnelBySysfs(const QString& name) const {
    const QString folder = m_sysfsNetFolder + QLatin1Char('/') + name;
    const std::optional<QString> type = readSysfsValue(folder + QStringLiteral("/type"));
    bool ok = false;
    const int hardwareType = type ? type->toInt(&ok) : 0;
    if (!ok) {
        return std::nullopt;
    }
    std::optional<unsigned> tunFlags;
    if (const std::optional<QString> flags = readSysfsValue(folder + QStringLiteral("/tun_flags"))) {
        bool flagsOk = false;
        const unsigned value = flags->toUInt(&flagsOk, 0);
        if (flagsOk) {
            tunFlags = value;
        }
    }
    return isTunnelLink(hardwareType, tunFlags);
}

NetworkPath NetlinkNetworkPathMonitor::currentPath() const {
    QList<QNetworkInterface> interfaces = QNetworkInterface::allInterfaces();
    std::sort(interfaces.begin(), interfaces.end(),
              [](const QNetworkInterface& a, const QNetworkInterface& b) { return a.index() < b.index(); });
    NetworkPath path;
    for (const QNetworkInterface& interface : interfaces) {
        if (!interface.flags().testFlag(QNetworkInterface::IsUp)) {
            continue;
        }
        const bool tunnel = isTunnelBySysfs(interface.name())
                                .value_or(interface.type() == QNetworkInterface::Virtual ||
                                          interface.type() == QNetworkInterface::Ppp);
        if (tunnel) {
            path.otherInterfaceNames.append(interface.name());
        }
    }
    path.usesOtherInterface = !path.otherInterfaceNames.isEmpty();
    return path;
}

} // namespace molvena
