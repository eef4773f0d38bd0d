// The VPN detector on real tunnel devices in a network namespace of the test's own, fed only by
// netlink events: a tunnel counts once traffic can go through it, not while it merely exists.

#include "ProtectionTestSupport.h"
#include "linux/NetlinkNetworkPathMonitor.h"
#include "protection/MacVPNDetector.h"

#include <QCoreApplication>
#include <QSignalSpy>
#include <QtTest/QtTest>

#include <cstring>
#include <fcntl.h>
#include <linux/if.h>
#include <linux/if_tun.h>
#include <map>
#include <sys/ioctl.h>
#include <unistd.h>

using namespace molvena;
using namespace molvena::test;

class TunnelsInNamespace : public QObject {
    Q_OBJECT
private slots:
    void detectorCountsOnlyTunnelsThatCarryTraffic();

private:
    // A program holding the device open is what gives a tun or tap device its carrier.
    void attach(const QString& name, bool tap);
    void detach(const QString& name) {
        ::close(m_attached.at(name));
        m_attached.erase(name);
    }

    std::map<QString, int> m_attached;
};

void TunnelsInNamespace::attach(const QString& name, bool tap) {
    const int descriptor = ::open("/dev/net/tun", O_RDWR | O_CLOEXEC);
    QVERIFY(descriptor >= 0);
    ifreq request{};
    request.ifr_flags = short((tap ? IFF_TAP : IFF_TUN) | IFF_NO_PI);
    std::strncpy(request.ifr_name, name.toLatin1().constData(), IFNAMSIZ - 1);
    QVERIFY2(::ioctl(descriptor, TUNSETIFF, &request) == 0, std::strerror(errno));
    m_attached[name] = descriptor;
}

void TunnelsInNamespace::detectorCountsOnlyTunnelsThatCarryTraffic() {
    NetlinkNetworkPathMonitor paths;
    RecordingWorkspace workspace;
    MacVPNDetector detector(paths, workspace);
    QSignalSpy changes(&detector, &MacVPNDetector::lastChangeAtChanged);
    detector.start();

    struct Step {
        const char* commands; // "ip" commands, separated by ";"; "attach X", "attach-tap X", "detach X"
        const char* tunnels;  // the path's "other" interfaces afterwards, in order
        const char* vpnName;  // empty: no VPN
    };
    const QList<Step> steps = {
        {"link set lo up;tuntap add dev wg0 mode tun;link set wg0 up", "", ""}, // up, no carrier
        {"addr add 10.9.0.2/24 dev wg0", "", ""},                               // an address, still none
        {"attach wg0", "wg0", "WireGuard VPN"},
        {"tuntap add dev tailscale0 mode tun;link set tailscale0 up;attach tailscale0", "wg0",
         "WireGuard VPN"}, // a carrier, but neither address nor route
        {"route add 100.64.0.0/10 dev tailscale0", "wg0 tailscale0", "WireGuard VPN"},
        {"detach wg0", "tailscale0", "Tailscale"},
        {"tuntap add dev tap0 mode tap;link set tap0 up;attach-tap tap0;addr add 10.8.0.2/24 dev tap0;"
         "link del tailscale0;link del wg0",
         "tap0", "VPN"},
        {"detach tap0", "", ""},
        // IPv6 only: the kernel's link-local, multicast and local-table routes lead nowhere; a default
        // route through the tunnel carries everything.
        {"tuntap add dev wg6 mode tun;link set wg6 up;attach wg6;addr add fe80::6/64 dev wg6 nodad", "", ""},
        {"-6 route add default dev wg6", "wg6", "WireGuard VPN"},
        {"detach wg6", "", ""},
    };
    for (const Step& step : steps) {
        for (const QString& command : QString::fromLatin1(step.commands).split(QLatin1Char(';'))) {
            const QString device = command.section(QLatin1Char(' '), 1);
            if (command.startsWith(QLatin1String("attach"))) {
                attach(device, command.startsWith(QLatin1String("attach-tap")));
            } else if (command.startsWith(QLatin1String("detach"))) {
                detach(device);
            } else {
                ip(command);
            }
        }
        QTest::qWait(100); // let every event of the step arrive
        QTRY_COMPARE_WITH_TIMEOUT(detector.vpnName(), QString::fromLatin1(step.vpnName), 5000);
        QVERIFY2(detector.isVPNActive() == (qstrlen(step.vpnName) > 0), step.commands);
        QCOMPARE(paths.currentPath().otherInterfaceNames.join(QLatin1Char(' ')),
                 QString::fromLatin1(step.tunnels));
    }
    QCOMPARE(detector.statusText(), QStringLiteral("Ingen VPN registreret"));
    // On at wg0, renamed twice (Tailscale, VPN), off after tap0; on and off again at wg6.
    QCOMPARE(changes.count(), 6);
}

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    TunnelsInNamespace inside;
    return runInOwnNetworkNamespace(argc, argv, inside);
}

#include "TunnelDetectionTest.moc"
