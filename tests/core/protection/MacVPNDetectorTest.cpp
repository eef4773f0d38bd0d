#include "protection/MacVPNDetector.h"
#include "ProtectionTestSupport.h"

// The Mac's interface names; Linux's tunnels, and how path updates reach the published fields, are
// TunnelDetectionTest's, on real tunnel devices.

#include <QtTest/QtTest>

using namespace molvena;
using namespace molvena::test;

namespace {
NetworkPath tunnelPath(const QStringList& names) {
    return NetworkPath{true, names};
}
} // namespace

class MacVPNDetectorTest : public QObject {
    Q_OBJECT
private slots:
    void classifyPathNamesTheTunnel_data();
    void classifyPathNamesTheTunnel();
};

void MacVPNDetectorTest::classifyPathNamesTheTunnel_data() {
    QTest::addColumn<NetworkPath>("path");
    QTest::addColumn<bool>("active");
    QTest::addColumn<QString>("name");
    QTest::newRow("names alone do not make a VPN")
        << NetworkPath{false, {QStringLiteral("utun3")}} << false << "";
    QTest::newRow("utun3") << tunnelPath({QStringLiteral("utun3")}) << true << "VPN";
    QTest::newRow("ipsec0") << tunnelPath({QStringLiteral("ipsec0")}) << true << "IPSec VPN";
    QTest::newRow("Tailscale0 in upper case")
        << tunnelPath({QStringLiteral("Tailscale0")}) << true << "Tailscale";
    QTest::newRow("bridge0 then utun2: the tunnel is picked")
        << tunnelPath({QStringLiteral("bridge0"), QStringLiteral("utun2")}) << true << "VPN";
    QTest::newRow("no names at all") << tunnelPath({}) << true << "VPN";
}

void MacVPNDetectorTest::classifyPathNamesTheTunnel() {
    QFETCH(NetworkPath, path);
    QFETCH(bool, active);
    QFETCH(QString, name);
    const MacVPNDetector::Classification result = MacVPNDetector::classifyPath(path);
    QCOMPARE(result.isVPNActive, active);
    QCOMPARE(result.name, name);
}

QTEST_GUILESS_MAIN(MacVPNDetectorTest)
#include "MacVPNDetectorTest.moc"
