// The web-protection check against real DNS in a network namespace of its own: a real Unbound fed by
// the backend's resolver configuration, a second one for an ordinary ISP's (with the canary zone's
// public wildcard), real HTTP sites, and the reference backend receiving reports and alerts.

#include "BlocklistImport.h"
#include "MolvenaServer.h"
#include "NoBrowsers.h"
#include "ProtectionTestSupport.h"
#include "ResolverConfiguration.h"
#include "TestSupport.h"
#include "linux/PolkitWebProtectionInstaller.h"
#include "protection/MacDNSProfileSetupViewModel.h"
#include "protection/MacProtectionMonitor.h"
#include "session/PreferenceKeys.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QtTest/QtTest>

#include <qcoro/qcorotask.h>

using namespace molvena;
using namespace molvena::test;
using namespace std::chrono_literals;

namespace {

namespace keys = preferenceKeys;

const QString kResolverAddress = QStringLiteral("10.77.0.53");
const QString kServerAddress = QStringLiteral("10.77.0.2");
const QString kIspResolverAddress = QStringLiteral("10.77.0.54");
const QString kUnreachableResolver = QStringLiteral("10.99.0.53"); // no route leads there
// Names and the local sites that answer for them when the resolver lets them through.
const auto& kSites = kNamespaceSites;
const QString kApiHost = QStringLiteral("api.molvena.test");

// The sites' names as an operator's list would bring them, one format per line.
QStringList blockedSiteNames() {
    const QString list =
        QStringLiteral("# protective list\ncanary.molvena.test\n0.0.0.0 www.danskespil.test\n"
                       "||www.bet365.test^\nWWW.Unibet.test.\n");
    return server::BlocklistImport::parse(list.toUtf8()).domains;
}

// Unbound's lines that answer each name with its address.
QString localData(const QList<std::pair<QString, QString>>& names) {
    QString lines;
    for (const auto& [name, address] : names) {
        lines += QStringLiteral("  local-data: \"%1. A %2\"\n").arg(name, address);
    }
    return lines;
}

template <typename T> T await(QCoro::Task<T> task) {
    return QCoro::waitFor(std::move(task));
}

const NoBrowsers kNoBrowsers;
const QString kRemoved = QStringLiteral("mac_dns_profile_removed_externally");

// A player's Mac as onboarding leaves it: every layer real but the Mac's own services.
struct PlayerMac : TemporaryPreferences, ProtectionStack {
    PlayerMac(const Deployment& deployment, std::chrono::milliseconds timeout, MonitorSchedule schedule = {})
        : ProtectionStack(store(), deployment, kNoBrowsers, timeout, lookUpHostWithSystemResolver, schedule) {
        store().setValue(keys::macRole, QStringLiteral("player"));
        store().setValue(keys::macSetupComplete, true);
        vpn.start();
    }

    // Registers the player with the backend and stores the device token onboarding would have stored.
    void registerPlayer(const QString& code) {
        const QString token = QStringLiteral("mac-6c1f8c2e-7a55-4c1e-9d9b-2f0d6f") + code;
        await(api.registerMacDevice(QStringLiteral("Mads"), code + QStringLiteral("@example.dk"),
                                    QStringLiteral("1234"), code, token));
        store().setValue(keys::deviceToken, token);
    }
};

} // namespace

class WebProtectionInNamespace : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void verificationFollowsTheResolver();
    void installAndRemoveThroughTheHelper();
    void networkBackAfterAnUndecidedCheckChecksOnce();
    void offlineIsNeverActiveAndChangesNothing();

private:
    // Writes the blocklist through the backend's resolver configuration, which reloads Unbound.
    void resolverBlocks(const QStringList& domains);
    int alertsOfKind(const QString& kind);

    QTemporaryDir m_folder;
    QProcess m_unbound;
    QProcess m_ispResolver;
    std::unique_ptr<server::MolvenaServer> m_server;
    std::unique_ptr<server::ResolverConfiguration> m_resolver;
    QList<std::shared_ptr<SwitchableSite>> m_sites;
    Deployment m_deployment;
};

void WebProtectionInNamespace::resolverBlocks(const QStringList& domains) {
    const QString failure = m_resolver->apply(domains);
    QVERIFY2(failure.isEmpty(), qPrintable(failure));
}

int WebProtectionInNamespace::alertsOfKind(const QString& kind) {
    QSqlQuery query(QSqlDatabase::database(m_server->databaseConnectionName()));
    query.prepare(QStringLiteral("SELECT COUNT(*) FROM events WHERE reason = ?"));
    query.addBindValue(kind);
    if (!query.exec() || !query.next()) {
        return -1;
    }
    return query.value(0).toInt();
}

void WebProtectionInNamespace::initTestCase() {
    if (runCommand(QStringLiteral("unbound"), {QStringLiteral("-V")}).exitCode != 0) {
        QSKIP("Unbound is not installed (scripts/install-dependencies.sh installs it).");
    }
    ip(QStringLiteral("link set lo up"));
    for (const QString& address : {kResolverAddress, kIspResolverAddress, kServerAddress}) {
        ip(QStringLiteral("addr add %1/32 dev lo").arg(address));
    }
    for (const auto& [name, address] : kSites) {
        ip(QStringLiteral("addr add %1/32 dev lo").arg(address));
        m_sites.append(std::make_shared<SwitchableSite>(QHostAddress(address), 80));
    }

    server::ServerOptions options;
    options.listenAddress = QHostAddress(kServerAddress);
    options.dataFolder = m_folder.filePath(QStringLiteral("server"));
    m_server = std::make_unique<server::MolvenaServer>(options);
    const quint16 port = m_server->start();

    const QString configuration = m_folder.filePath(QStringLiteral("unbound.conf"));
    const QString blocklist = m_folder.filePath(QStringLiteral("blocklist.conf"));
    QList<std::pair<QString, QString>> names = kSites;
    names.append({kApiHost, kServerAddress});
    const QString text = unboundConfiguration(kResolverAddress, m_folder.path(), localData(names)) +
                         QStringLiteral("  include: \"%1\"\nremote-control:\n  control-enable: yes\n"
                                        "  control-interface: \"%2\"\n")
                             .arg(blocklist, m_folder.filePath(QStringLiteral("control.socket")));
    m_resolver = std::make_unique<server::ResolverConfiguration>(
        blocklist, QStringList{QStringLiteral("unbound-control"), QStringLiteral("-c"), configuration,
                               QStringLiteral("reload")});
    QVERIFY(QFile(blocklist).open(QIODevice::WriteOnly)); // written for real once Unbound runs
    startUnbound(m_unbound, configuration, text);

    // An ordinary ISP's resolver with no way out. Like the canary zone's public wildcard record, a
    // redirect zone answers every name beneath the canary with the canary's own address.
    const QString isp = m_folder.filePath(QStringLiteral("isp"));
    QVERIFY(QDir().mkpath(isp));
    const QString wildcard = QStringLiteral("  local-zone: \"%1.\" redirect\n").arg(kSites[0].first);
    startUnbound(m_ispResolver, isp + QStringLiteral("/unbound.conf"),
                 unboundConfiguration(kIspResolverAddress, isp, wildcard + localData(names)) +
                     QStringLiteral("remote-control:\n  control-enable: no\n"));
    setNameServer(kIspResolverAddress);
    QTRY_VERIFY_WITH_TIMEOUT(
        await(lookUpHostWithSystemResolver(QStringLiteral("x7.") + kSites[0].first, 1s)).isResolved(), 5000);
    setNameServer(kResolverAddress);
    QTRY_VERIFY_WITH_TIMEOUT(await(lookUpHostWithSystemResolver(kApiHost, 1s)).isResolved(), 5000);
    resolverBlocks(blockedSiteNames());

    const auto siteURL = [](const QString& name) { return QUrl(QStringLiteral("http://%1/").arg(name)); };
    m_deployment = Deployment{
        .apiBase = QUrl(QStringLiteral("http://%1:%2/api/").arg(kApiHost).arg(port)),
        .blockProxy = QUrl(QStringLiteral("http://%1:%2/shield_blocked").arg(kApiHost).arg(port)),
        .canaryURL = siteURL(kSites[0].first),
        .probeURLs = {siteURL(kSites[1].first), siteURL(kSites[2].first), siteURL(kSites[3].first)},
        .resolverHostName = QStringLiteral("dns.molvena.test"),
    };
}

void WebProtectionInNamespace::cleanupTestCase() {
    m_unbound.terminate();
    m_ispResolver.terminate();
    m_unbound.waitForFinished(5000);
    m_ispResolver.waitForFinished(5000); // QProcess kills whatever still runs when it goes
}

// Protected, removed, restored: each within a second of the one before, so any cached answer
// would show; the backend hears of the removal exactly once. The removal is a player's: the Mac
// asks an ordinary resolver again, and a hosts-file line sends the canary's name nowhere.
void WebProtectionInNamespace::verificationFollowsTheResolver() {
    PlayerMac mac(m_deployment, 5s);
    mac.registerPlayer(QStringLiteral("482913"));

    QCOMPARE(await(mac.dns.verify()), MacDNSProtectionState::active);
    QCOMPARE(mac.dns.lastError(), QStringLiteral("Canary blocked: cannotFindHost"));
    await(mac.monitor.evaluate(QStringLiteral("app_start")));
    QVERIFY(mac.monitor.isProtectionHealthy());
    QVERIFY(mac.store().boolean(keys::hasEverActivatedMacProtection));

    setNameServer(kIspResolverAddress);
    // Written in place: "ip netns exec" bind-mounted the namespace's own file over /etc/hosts.
    writeFile(QStringLiteral("/etc/hosts"), "127.0.0.1 localhost\n0.0.0.0 canary.molvena.test\n");
    QList<QByteArray> canaryNames;
    for (int heartbeat = 0; heartbeat < 3; ++heartbeat) {
        await(mac.monitor.evaluate(QStringLiteral("heartbeat")));
        QCOMPARE(mac.dns.state(), MacDNSProtectionState::inactive);
        QCOMPARE(mac.monitor.lastIssue(), QStringLiteral("Webbeskyttelsen er slået fra eller fjernet."));
        canaryNames.append(m_sites[0]->lastHost());
    }
    QCOMPARE(mac.dns.lastError(), QStringLiteral("Verification reachable: 3/3; canary=reachable(HTTP 200)"));
    QCOMPARE(m_sites[1]->lastHost(), QByteArray("www.danskespil.test")); // reached by address, named
    // A fresh name under the zone each time, which the hosts file cannot list.
    QVERIFY2(canaryNames[0].endsWith(".canary.molvena.test") && canaryNames[0] != canaryNames[1],
             canaryNames.join(' ').constData());
    QCOMPARE(alertsOfKind(kRemoved), 1);

    writeFile(QStringLiteral("/etc/hosts"), "127.0.0.1 localhost\n");
    setNameServer(kResolverAddress);
    await(mac.monitor.evaluate(QStringLiteral("heartbeat")));
    QCOMPARE(mac.dns.state(), MacDNSProtectionState::active);
    QVERIFY(mac.monitor.isProtectionHealthy());
    QCOMPARE(alertsOfKind(kRemoved), 1);
    QCOMPARE(mac.store().boolean(keys::macExternalRemovalAlertSent), false);
}

// A Mac wakes before its network: the check cannot decide. When the network is back, one more check
// follows by itself, however often the path is delivered meanwhile.
void WebProtectionInNamespace::networkBackAfterAnUndecidedCheckChecksOnce() {
    PlayerMac mac(m_deployment, 2s, MonitorSchedule{.recheckDelay = 300ms});
    mac.paths.deliver(NetworkPath{.usesOtherInterface = false, .otherInterfaceNames = {}, .isUsable = false});
    setNameServer(kUnreachableResolver);
    await(mac.monitor.evaluate(QStringLiteral("heartbeat")));
    QCOMPARE(mac.dns.state(), MacDNSProtectionState::unknown);

    QSignalSpy evaluations(&mac.monitor, &MacProtectionMonitor::lastCheckAtChanged);
    setNameServer(kResolverAddress);
    for (int update = 0; update < 3; ++update) { // a link that comes up in steps
        mac.paths.deliver(NetworkPath{});
        QTest::qWait(50);
    }
    QTRY_COMPARE_WITH_TIMEOUT(evaluations.count(), 1, 15000);
    QCOMPARE(mac.dns.state(), MacDNSProtectionState::active);
    QVERIFY(mac.monitor.isProtectionHealthy());
    mac.paths.deliver(NetworkPath{}); // decided now: nothing to re-check
    QTest::qWait(1000);
    QCOMPARE(evaluations.count(), 1);
}

// A new player, unprotected behind the ISP's resolver, presses "Installer webbeskyttelse": the helper
// (started directly on a root folder of its own whose etc/resolv.conf is this namespace's) points the
// name service at the protective resolver and the layer turns active. Removing it turns it inactive,
// puts back the ISP's resolver byte for byte, and the backend hears of it exactly once.
void WebProtectionInNamespace::installAndRemoveThroughTheHelper() {
    QTemporaryDir helperRoot;
    writeFile(helperRoot.filePath(QStringLiteral("root" MOLVENA_HELPER_SYSCONFDIR "/molvena/resolver.conf")),
              QStringLiteral("address = %1\ntls-name = dns.molvena.test\n").arg(kResolverAddress).toLatin1());
    writeFile(helperRoot.filePath(QStringLiteral("root/etc/resolv.conf")), {});
    // The helper's etc/resolv.conf is this namespace's /etc/resolv.conf (mounts made here stay here).
    const CommandResult mounted =
        runCommand(QStringLiteral("mount"), {QStringLiteral("--bind"), QStringLiteral("/etc/resolv.conf"),
                                             helperRoot.filePath(QStringLiteral("root/etc/resolv.conf"))});
    QVERIFY2(mounted.exitCode == 0, qPrintable(mounted.output));
    const auto unmount = qScopeGuard([&] {
        runCommand(QStringLiteral("umount"), {helperRoot.filePath(QStringLiteral("root/etc/resolv.conf"))});
    });
    setNameServer(kIspResolverAddress);
    const auto resolvConf = [] { return readFile(QStringLiteral("/etc/resolv.conf")); };
    const QByteArray ispResolvConf = resolvConf();
    QTRY_VERIFY_WITH_TIMEOUT(await(lookUpHostWithSystemResolver(kSites[1].first, 1s)).isResolved(), 5000);

    PlayerMac mac(m_deployment, 5s);
    PolkitWebProtectionInstaller installer({QStringLiteral(MOLVENA_DNS_HELPER_PROGRAM),
                                            QStringLiteral("--root"),
                                            helperRoot.filePath(QStringLiteral("root"))});
    AppSession session(mac.store());
    mac.registerPlayer(QStringLiteral("551903"));
    const int alertsBefore = alertsOfKind(kRemoved);
    MacDNSProfileSetupViewModel sheet(session, mac.store(), mac.dns, mac.monitor, installer);
    QVERIFY(sheet.installsSystemResolver());

    await(sheet.runAppeared());
    QCOMPARE(mac.dns.state(), MacDNSProtectionState::inactive);
    QElapsedTimer pressed;
    pressed.start();
    sheet.download(false);
    QTRY_COMPARE_WITH_TIMEOUT(mac.dns.statusText(), QStringLiteral("Webbeskyttelse aktiv"), 15000);
    std::printf("Install button to \"Webbeskyttelse aktiv\": %lld ms\n",
                static_cast<long long>(pressed.elapsed()));
    QTRY_VERIFY(!sheet.working());
    QCOMPARE(sheet.step(), 3);
    // The monitor's evaluation after the install verifies once more.
    QTRY_VERIFY(mac.store().boolean(keys::hasEverActivatedMacProtection) && !mac.dns.isChecking());
    QCOMPARE(mac.dns.lastError(), QStringLiteral("Canary blocked: cannotFindHost"));
    QVERIFY(resolvConf().contains("nameserver " + kResolverAddress.toLatin1()));

    sheet.remove();
    QTRY_VERIFY_WITH_TIMEOUT(!sheet.working(), 15000);
    QCOMPARE(sheet.message(), WebProtectionTexts::removed());
    QCOMPARE(mac.dns.state(), MacDNSProtectionState::inactive);
    QCOMPARE(resolvConf(), ispResolvConf);
    QCOMPARE(alertsOfKind(kRemoved), alertsBefore + 1);
    await(mac.monitor.evaluate(QStringLiteral("heartbeat")));
    QCOMPARE(alertsOfKind(kRemoved), alertsBefore + 1);
    setNameServer(kResolverAddress);
}

// Offline the lookups fail as well, and a failed lookup must not count as blocked; nor does a
// refused connection, whoever answered the lookup.
void WebProtectionInNamespace::offlineIsNeverActiveAndChangesNothing() {
    const int alertsBefore = alertsOfKind(kRemoved);
    const auto expectUndecided = [this](const char* network) {
        PlayerMac mac(m_deployment, 2s);
        const auto stored = [&] { return readFile(mac.path()); };
        const QByteArray storedBefore = stored();
        await(mac.monitor.evaluate(QStringLiteral("heartbeat")));
        QVERIFY2(mac.dns.state() == MacDNSProtectionState::unknown, network);
        QVERIFY2(mac.dns.lastError().startsWith(QLatin1String("Inconclusive DNS verification; blocked=0")),
                 qPrintable(mac.dns.lastError()));
        QCOMPARE(mac.monitor.lastIssue(), QStringLiteral("Beskyttelsens status kunne ikke bekræftes endnu."));
        QCOMPARE(stored(), storedBefore);
        QVERIFY(!mac.store().boolean(keys::hasEverActivatedMacProtection));

        // Once protection has been whole, an undecided check is still no removal.
        mac.store().setValue(keys::hasEverActivatedMacProtection, true);
        mac.store().setValue(keys::macLastKnownDNSActive, true);
        const QByteArray storedWhole = stored();
        await(mac.monitor.evaluate(QStringLiteral("heartbeat")));
        QCOMPARE(stored(), storedWhole);
    };
    const auto setSitesBlocked = [this](bool blocked) {
        for (const auto& site : std::as_const(m_sites)) {
            site->setBlocked(blocked);
        }
    };
    setNameServer(kIspResolverAddress);
    setSitesBlocked(true);
    expectUndecided("every name resolves, every connection is refused");
    setSitesBlocked(false);
    setNameServer(kResolverAddress);
    resolverBlocks({QStringLiteral("test")});
    expectUndecided("resolver answers no such name for everything, the backend's host too");
    ip(QStringLiteral("link add host0 type veth peer name host1"));
    ip(QStringLiteral("addr add 192.168.77.2/24 dev host0"));
    ip(QStringLiteral("link set host0 up"));
    ip(QStringLiteral("link set host1 up"));
    setNameServer(kUnreachableResolver);
    expectUndecided("host-only link, name server unreachable");
    ip(QStringLiteral("link del host0"));
    m_unbound.terminate();
    m_unbound.waitForFinished(5000);
    setNameServer(kResolverAddress);
    expectUndecided("no network at all");
    QCOMPARE(alertsOfKind(kRemoved), alertsBefore);
}

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    WebProtectionInNamespace inside;
    return runInOwnNetworkNamespace(argc, argv, inside);
}

#include "WebProtectionEndToEndTest.moc"
