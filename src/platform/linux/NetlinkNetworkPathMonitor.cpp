#include "NetlinkNetworkPathMonitor.h"

#include <QFile>
#include <QNetworkInterface>
#include <QSet>

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

// Calls `use` with each line of a routing table. /proc files report no size, so a QFile there is
// "at end" before anything is read: read until a line comes back empty instead.
template <typename Use> void forEachLine(const QString& path, Use use) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        return;
    }
    for (QByteArray line = file.readLine(); !line.isEmpty(); line = file.readLine()) {
        use(line.simplified().split(' '));
    }
}

// Whether an IPv6 route (fields of one /proc/net/ipv6_route line) sends traffic off this machine.
// The kernel gives every interface that speaks IPv6 a link-local (fe80::/64) and a multicast
// (ff00::/8) route and puts each of its own addresses in the local table; none of them leads away.
bool ipv6RouteLeavesTheMachine(const QList<QByteArray>& fields) {
    constexpr quint32 local = 0x80000000; // RTF_LOCAL
    constexpr quint32 reject = 0x0200;    // RTF_REJECT
    bool ok = false;
    const quint32 flags = fields[8].toUInt(&ok, 16);
    const QByteArray destination = fields[0].toLower();
    if (!ok || (flags & (local | reject)) != 0 || destination.startsWith("ff")) {
        return false;
    }
    const bool linkLocal = destination.startsWith("fe8") || destination.startsWith("fe9") ||
                           destination.startsWith("fea") || destination.startsWith("feb");
    return !linkLocal;
}

// The interfaces that some route sends traffic through (IPv4 and IPv6 routing tables).
QSet<QString> interfacesWithRoutes(const QString& procNetFolder) {
    QSet<QString> names;
    forEachLine(procNetFolder + QStringLiteral("/route"), [&](const QList<QByteArray>& fields) {
        // The header names its first column "Iface"; every other line starts with an interface.
        if (fields.size() >= 8 && fields[0] != "Iface") {
            names.insert(QString::fromLatin1(fields[0]));
        }
    });
    forEachLine(procNetFolder + QStringLiteral("/ipv6_route"), [&](const QList<QByteArray>& fields) {
        if (fields.size() >= 10 && ipv6RouteLeavesTheMachine(fields)) {
            names.insert(QString::fromLatin1(fields[9]));
        }
    });
    return names;
}

bool hasRoutableAddress(const QNetworkInterface& interface) {
    const QList<QNetworkAddressEntry> entries = interface.addressEntries();
    return std::any_of(entries.begin(), entries.end(), [](const QNetworkAddressEntry& entry) {
        return !entry.ip().isNull() && !entry.ip().isLinkLocal() && !entry.ip().isLoopback();
    });
}

} // namespace

NetlinkNetworkPathMonitor::NetlinkNetworkPathMonitor(QString sysfsNetFolder, QString procNetFolder,
                                                     QObject* parent)
    : NetworkPathMonitor(parent), m_sysfsNetFolder(std::move(sysfsNetFolder)),
      m_procNetFolder(std::move(procNetFolder)) {}

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
    address.nl_groups =
        RTMGRP_LINK | RTMGRP_IPV4_IFADDR | RTMGRP_IPV6_IFADDR | RTMGRP_IPV4_ROUTE | RTMGRP_IPV6_ROUTE;
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
    const QSet<QString> routed = interfacesWithRoutes(m_procNetFolder);
    NetworkPath path;
    for (const QNetworkInterface& interface : interfaces) {
        // A tunnel counts only when traffic can go through it: up with a carrier (a tun device
        // nobody has open has none), and an address or a route that sends traffic there.
        const auto flags = interface.flags();
        if (!flags.testFlag(QNetworkInterface::IsUp) || !flags.testFlag(QNetworkInterface::IsRunning) ||
            !(hasRoutableAddress(interface) || routed.contains(interface.name()))) {
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
    path.isUsable =
        std::any_of(interfaces.cbegin(), interfaces.cend(), [&](const QNetworkInterface& interface) {
            const auto flags = interface.flags();
            return !flags.testFlag(QNetworkInterface::IsLoopBack) &&
                   flags.testFlag(QNetworkInterface::IsUp) && flags.testFlag(QNetworkInterface::IsRunning) &&
                   routed.contains(interface.name());
        });
    return path;
}

} // namespace molvena
