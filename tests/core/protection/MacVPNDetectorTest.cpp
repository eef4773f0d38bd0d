#include "protection/MacVPNDetector.h"
#include "ProtectionTestSupport.h"

#include <QSignalSpy>
#include <QtTest/QtTest>

using namespace molvena;
using namespace molvena::test;

namespace {
NetworkPath tunnelPath(const QStringList& names) {
    return NetworkPath{true, names};
}
const QString kNoVPNStatus = QStringLiteral("Ingen VPN registreret");
const QString kNoVPNDetail = QStringLiteral("Molvena kan bruge den installerede webbeskyttelse normalt.");
} // namespace

class MacVPNDetectorTest : public QObject {
    Q_OBJECT
private slots:
    void classifyPathNamesTheTunnel_data();
    void classifyPathNamesTheTunnel();
    void pathUpdatesArePublished();
    void refreshNowBeforeStartChangesNothing();
    void networkSettingsFallBackToSystemSettings();
};

void MacVPNDetectorTest::classifyPathNamesTheTunnel_data() {
    QTest::addColumn<NetworkPath>("path");
    QTest::addColumn<bool>("active");
    QTest::addColumn<QString>("name");
    QTest::newRow("Wi-Fi only") << NetworkPath{false, {}} << false << "";
    QTest::newRow("names alone do not make a VPN")
        << NetworkPath{false, {QStringLiteral("utun3")}} << false << "";
    QTest::newRow("utun3") << tunnelPath({QStringLiteral("utun3")}) << true << "VPN";
    QTest::newRow("ppp0") << tunnelPath({QStringLiteral("ppp0")}) << true << "VPN";
    QTest::newRow("ipsec0") << tunnelPath({QStringLiteral("ipsec0")}) << true << "IPSec VPN";
    QTest::newRow("wg0") << tunnelPath({QStringLiteral("wg0")}) << true << "WireGuard VPN";
    QTest::newRow("Tailscale0 in upper case")
        << tunnelPath({QStringLiteral("Tailscale0")}) << true << "Tailscale";
    QTest::newRow("bridge0 then utun2: the tunnel is picked")
        << tunnelPath({QStringLiteral("bridge0"), QStringLiteral("utun2")}) << true << "VPN";
    QTest::newRow("bridge0 then wg1: the tunnel is picked")
        << tunnelPath({QStringLiteral("bridge0"), QStringLiteral("wg1")}) << true << "WireGuard VPN";
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

void MacVPNDetectorTest::pathUpdatesArePublished() {
    DrivenPathMonitor paths;
    RecordingWorkspace workspace;
    MacVPNDetector detector(paths, workspace);
    QSignalSpy changes(&detector, &MacVPNDetector::lastChangeAtChanged);
    detector.start();
    detector.start();
    QCOMPARE(paths.startCount, 1);

    // The first path equals the initial state: not a change.
    paths.deliver(NetworkPath{false, {}});
    QTest::qWait(20);
    QCOMPARE(changes.count(), 0);
    QVERIFY(!detector.lastChangeAt().has_value());

    paths.deliver(tunnelPath({QStringLiteral("en0"), QStringLiteral("wg0")}));
    QTRY_VERIFY(detector.isVPNActive());
    QCOMPARE(detector.vpnName(), QStringLiteral("WireGuard VPN"));
    QCOMPARE(detector.statusText(), QStringLiteral("VPN registreret"));
    QCOMPARE(detector.detailText(),
             QStringLiteral("En VPN kan føre trafikken uden om Molvenas webbeskyttelse. Slå "
                            "VPN fra for fuld beskyttelse."));
    QCOMPARE(changes.count(), 1);
    const QDateTime firstChange = *detector.lastChangeAt();

    paths.deliver(tunnelPath({QStringLiteral("en0"), QStringLiteral("wg0")}));
    QTest::qWait(20);
    QCOMPARE(changes.count(), 1);
    QCOMPARE(*detector.lastChangeAt(), firstChange);

    // Another tunnel: the flag stays, the name changes, and that counts as a change.
    paths.deliver(tunnelPath({QStringLiteral("ipsec0")}));
    QTRY_COMPARE(detector.vpnName(), QStringLiteral("IPSec VPN"));
    QCOMPARE(changes.count(), 2);

    // refreshNow reads the current path without waiting for an update.
    paths.path = NetworkPath{false, {}};
    detector.refreshNow();
    QCOMPARE(detector.isVPNActive(), false);
    QCOMPARE(detector.vpnName(), QString());
    QCOMPARE(detector.statusText(), kNoVPNStatus);
    QCOMPARE(detector.detailText(), kNoVPNDetail);
    QCOMPARE(changes.count(), 3);
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

void MacVPNDetectorTest::networkSettingsFallBackToSystemSettings() {
    DrivenPathMonitor paths;
    RecordingWorkspace workspace;
    MacVPNDetector detector(paths, workspace);
    detector.openNetworkSettings();
    QCOMPARE(
        workspace.openedURLs,
        QList<QUrl>{QUrl(QStringLiteral("x-apple.systempreferences:com.apple.Network-Settings.extension"))});
    workspace.acceptsURLs = false;
    detector.openNetworkSettings();
    QCOMPARE(workspace.openedApplications,
             QStringList{QStringLiteral("/System/Applications/System Settings.app")});
}

QTEST_GUILESS_MAIN(MacVPNDetectorTest)
#include "MacVPNDetectorTest.moc"
