#include "NoBrowsers.h"
#include "ProtectionTestSupport.h"
#include "ScriptedHttpServer.h"
#include "TaskTesting.h"
#include "TestSupport.h"
#include "app/RootScreen.h"
#include "app/StartupSequence.h"
#include "backend/APIClient.h"

#include <QtTest/QtTest>

using namespace molvena;
using namespace molvena::test;
using namespace std::chrono_literals;

namespace {

// One scripted loopback peer plays the backend and the probe sites and records what was asked, in order.
struct Peer {
    ScriptedHttpServer peer;
    TemporaryPreferences preferences;
    NoBrowsers noBrowsers;
    Deployment deployment{.apiBase = peer.url(QStringLiteral("/api/")),
                          .blockProxy = peer.url(QStringLiteral("/shield_blocked")),
                          .canaryURL = peer.url(QStringLiteral("/canary")),
                          .probeURLs = {peer.url(QStringLiteral("/a")), peer.url(QStringLiteral("/b")),
                                        peer.url(QStringLiteral("/c"))},
                          .resolverHostName = QStringLiteral("dns.example")};
};

// The start-up's collaborators, all real but for the Mac's own services.
struct StartupRig : Peer, ProtectionStack {
    StartupRig() : ProtectionStack(preferences.store(), deployment, noBrowsers, 5s) {}
    DomainCountStore domainCount{preferences.store(), network, deployment.apiBase};
    StartupSequence startup{device, vpn, launchAtLogin, dns, domainCount, monitor, 10ms};
};

} // namespace

class StartupAndRoutingTest : public QObject {
    Q_OBJECT
private slots:
    void aTunnelKeepsTheSetupOpen();
    void startupSkipsTheWebCheckOnlyBehindAVPN_data();
    void startupSkipsTheWebCheckOnlyBehindAVPN();
};

// The other layers and routes are the UI journeys'; a tunnel alone holds a player who never had whole
// protection in the setup.
void StartupAndRoutingTest::aTunnelKeepsTheSetupOpen() {
    const RootScreenInputs inputs{.role = UserRole::player,
                                  .isSetupComplete = true,
                                  .launchAtLoginEnabled = true,
                                  .dnsActive = true,
                                  .vpnActive = true};
    QCOMPARE(screenName(chooseRootScreen(inputs)), screenName(RootScreen::ProtectionSetup));
}

void StartupAndRoutingTest::startupSkipsTheWebCheckOnlyBehindAVPN_data() {
    QTest::addColumn<bool>("vpnOn");
    QTest::addColumn<QStringList>("expectedRequests");
    QTest::newRow("no VPN: canary, probes, then the count")
        << false << QStringList{"/canary", "/a", "/b", "/c", "/api/count.php"};
    QTest::newRow("VPN: the count only") << true << QStringList{"/api/count.php"};
}

void StartupAndRoutingTest::startupSkipsTheWebCheckOnlyBehindAVPN() {
    QFETCH(bool, vpnOn);
    QFETCH(QStringList, expectedRequests);
    StartupRig rig;
    rig.paths.path = NetworkPath{.usesOtherInterface = vpnOn,
                                 .otherInterfaceNames = vpnOn ? QStringList{"utun4"} : QStringList{}};
    rig.peer.setDefaultReply({.body = R"({"count": 612345})"}); // the probe sites answer it too

    const auto outcome = runTask(rig.startup.run());
    QVERIFY(outcome.finished && !outcome.error);

    QCOMPARE(rig.vpn.isVPNActive(), vpnOn);
    QStringList asked;
    for (const RecordedRequest& request : rig.peer.requests()) {
        asked.append(request.path);
    }
    // The three fallback probes run side by side, so their order among themselves is free.
    if (asked.size() > 2) {
        std::sort(asked.begin() + 1, asked.end() - 1);
    }
    QCOMPARE(asked, expectedRequests);
    QCOMPARE(rig.domainCount.count(), 612345);
    QVERIFY(rig.monitor.isStarted());
    QCOMPARE(rig.dns.state(), vpnOn ? MacDNSProtectionState::unknown : MacDNSProtectionState::inactive);
}

QTEST_MAIN(StartupAndRoutingTest)
#include "StartupAndRoutingTest.moc"
