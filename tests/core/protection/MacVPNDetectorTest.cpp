#include "protection/MacVPNDetector.h"
#include "ProtectionTestSupport.h"

// How path updates reach the published fields is TunnelDetectionTest's, on real tunnel devices.

#include <QSignalSpy>
#include <QtTest/QtTest>

using namespace molvena;
using namespace molvena::test;

namespace {
NetworkPath tunnelPath(const QStringList& names) {
    return NetworkPath{true, names};
}
const QString kNoVPNStatus = QStringLiteral("Ingen VPN registreret");
} // namespace

class MacVPNDetectorTest : public QObject {
    Q_OBJECT
private slots:
    void classifyPathNamesTheTunnel_data();
    void classifyPathNamesTheTunnel();
    void refreshNowBeforeStartChangesNothing();
};

void MacVPNDetectorTest::classifyPathNamesTheTunnel_data() {
    QTest::addColumn<NetworkPath>("path");
    QTest::addColumn<bool>("active");
    QTest::addColumn<QString>("name");
    QTest::newRow("Wi-Fi only") << NetworkPath{false, {}} << false << "";
    QTest::newRow("names alone do not make a VPN")
        << NetworkPath{false, {QStringLiteral("utun3")}} << false << "";
    QTest::newRow("utun3") << tunnelPath({QStringLiteral("utun3")}) << true << "VPN";
    QTest::newRow("ipsec0") << tunnelPath({QStringLiteral("ipsec0")}) << true << "IPSec VPN";
    QTest::newRow("wg0") << tunnelPath({QStringLiteral("wg0")}) << true << "WireGuard VPN";
    QTest::newRow("Tailscale0 in upper case")
        << tunnelPath({QStringLiteral("Tailscale0")}) << true << "Tailscale";
    QTest::newRow("bridge0 then utun2: the tunnel is picked")
        << tunnelPath({QStringLiteral("bridge0"), QStringLiteral("utun2")}) << true << "VPN";
    QTest::newRow("first matching name wins, not the first prefix")
        << tunnelPath({QStringLiteral("wg0"), QStringLiteral("ipsec0")}) << true << "WireGuard VPN";
    QTest::newRow("gif0 matches no prefix") << tunnelPath({QStringLiteral("gif0")}) << true << "VPN";
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

void MacVPNDetectorTest::refreshNowBeforeStartChangesNothing() {
    DrivenPathMonitor paths;
    paths.path = tunnelPath({QStringLiteral("utun3")});
    RecordingWorkspace workspace;
    MacVPNDetector detector(paths, workspace);
    detector.refreshNow();
    QCOMPARE(detector.isVPNActive(), false);
    QCOMPARE(detector.statusText(), kNoVPNStatus);
    QVERIFY(!detector.lastChangeAt().has_value());
    QCOMPARE(paths.startCount, 0);

    // Updates before start are not listened to either.
    paths.deliver(tunnelPath({QStringLiteral("utun3")}));
    QTest::qWait(20);
    QCOMPARE(detector.isVPNActive(), false);
}

QTEST_GUILESS_MAIN(MacVPNDetectorTest)
#include "MacVPNDetectorTest.moc"
