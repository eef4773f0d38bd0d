#include "protection/MacVPNDetector.h"
#include "ProtectionTestSupport.h"

// The Mac's interface names; Linux's tunnels, and how path updates reach the published fields, are
// TunnelDetectionTest's, on real tunnel devices.

#include <QtTest/QtTest>

using namespace molvena;
using namespace molvena::test;

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
    QTest::newRow("utun3") << NetworkPath{true, {QStringLiteral("utun3")}} << true << "VPN";
    QTest::newRow("ipsec0") << NetworkPath{true, {QStringLiteral("ipsec0")}} << true << "IPSec VPN";
    QTest::newRow("bridge0 then utun2: the tunnel is picked")
        << NetworkPath{true, {QStringLiteral("bridge0"), QStringLiteral("utun2")}} << true << "VPN";
    QTest::newRow("no names at all") << NetworkPath{true, {}} << true << "VPN";
}

void MacVPNDetectorTest::classifyPathNamesTheTunnel() {
    QFETCH(NetworkPath, path);
    const MacVPNDetector::Classification result = MacVPNDetector::classifyPath(path);
    QTEST(result.isVPNActive, "active");
    QTEST(result.name, "name");
}

QTEST_GUILESS_MAIN(MacVPNDetectorTest)
#include "MacVPNDetectorTest.moc"
