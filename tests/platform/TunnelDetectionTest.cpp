#include "linux/LinuxWorkspace.h"
#include "linux/NetlinkNetworkPathMonitor.h"
#include "protection/MacVPNDetector.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSignalSpy>
#include <QtTest/QtTest>

#include <unistd.h>

using namespace molvena;

namespace {

// Set in the copy of this test that runs inside the namespace.
const char* const kNamespaceVariable = "MOLVENA_TUNNEL_NAMESPACE";
const QString kNamespacePrefix = QStringLiteral("molvena-vpn-");

struct CommandResult {
    int exitCode = -1;
    QString output;
};

CommandResult run(const QString& program, const QStringList& arguments, int timeoutMs = 10000) {
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    if (!process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished();
        return {-1, QStringLiteral("timed out: ") + QString::fromLocal8Bit(process.readAll())};
    }
    const int code = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    return {code, QString::fromLocal8Bit(process.readAll())};
}

// Removes the namespace however the test ends.
class NamespaceGuard {
public:
    explicit NamespaceGuard(QString name) : m_name(std::move(name)) {}
    ~NamespaceGuard() { run(QStringLiteral("ip"), {QStringLiteral("netns"), QStringLiteral("del"), m_name}); }
    NamespaceGuard(const NamespaceGuard&) = delete;
    NamespaceGuard& operator=(const NamespaceGuard&) = delete;

private:
    QString m_name;
};

// Namespaces left behind by a run that was killed before it could clean up.
void removeAbandonedNamespaces() {
    const CommandResult list = run(QStringLiteral("ip"), {QStringLiteral("netns"), QStringLiteral("list")});
    for (const QString& line : list.output.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        const QString name = line.section(QLatin1Char(' '), 0, 0);
        if (!name.startsWith(kNamespacePrefix)) {
            continue;
        }
        const QString pid = name.mid(kNamespacePrefix.size());
        if (!QFileInfo::exists(QStringLiteral("/proc/") + pid)) {
            run(QStringLiteral("ip"), {QStringLiteral("netns"), QStringLiteral("del"), name});
        }
    }
}

} // namespace

// Runs in the test's own network namespace (started there by TunnelDetectionTest): creates and
// removes tunnel devices and watches the detector follow, fed only by netlink events.
class TunnelsInNamespace : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void detectorFollowsTunnelsComingAndGoing();

private:
    static void ip(const QString& arguments) {
        const CommandResult result = run(QStringLiteral("ip"), arguments.split(QLatin1Char(' ')));
        QVERIFY2(result.exitCode == 0,
                 qPrintable(QStringLiteral("ip ") + arguments + QStringLiteral(": ") + result.output));
    }
};

void TunnelsInNamespace::initTestCase() {
    QVERIFY2(QFileInfo(QStringLiteral("/proc/self/ns/net")).symLinkTarget() !=
                 QFileInfo(QStringLiteral("/proc/1/ns/net")).symLinkTarget(),
             "this part must run inside its own network namespace");
}

void TunnelsInNamespace::detectorFollowsTunnelsComingAndGoing() {
    NetlinkNetworkPathMonitor paths;
    LinuxWorkspace workspace;
    MacVPNDetector detector(paths, workspace);
    QSignalSpy changes(&detector, &MacVPNDetector::lastChangeAtChanged);
    detector.start();
    ip(QStringLiteral("link set lo up"));
    QTest::qWait(100);
    QCOMPARE(detector.isVPNActive(), false);
    QCOMPARE(paths.currentPath(), NetworkPath{});

    struct Step {
        const char* commands; // separated by ";"
        QStringList tunnels;  // the path's "other" interfaces afterwards, in order
        QString vpnName;      // empty: no VPN
    };
    const QList<Step> steps = {
        {"tuntap add dev tailscale0 mode tun", {}, {}}, // a tunnel that is down carries nothing
        {"link set tailscale0 up", {QStringLiteral("tailscale0")}, QStringLiteral("Tailscale")},
        {"tuntap add dev wg0 mode tun;link set wg0 up",
         {QStringLiteral("tailscale0"), QStringLiteral("wg0")},
         QStringLiteral("Tailscale")},
        {"link del tailscale0", {QStringLiteral("wg0")}, QStringLiteral("WireGuard VPN")},
        {"tuntap add dev utun3 mode tun;link set utun3 up",
         {QStringLiteral("wg0"), QStringLiteral("utun3")},
         QStringLiteral("WireGuard VPN")},
        {"link set wg0 down", {QStringLiteral("utun3")}, QStringLiteral("VPN")},
        {"tuntap add dev tap0 mode tap;link set tap0 up;link del utun3;link del wg0",
         {QStringLiteral("tap0")},
         QStringLiteral("VPN")},
        {"link del tap0", {}, {}},
    };
    for (const Step& step : steps) {
        for (const QString& command : QString::fromLatin1(step.commands).split(QLatin1Char(';'))) {
            ip(command);
        }
        const QString context = QString::fromLatin1(step.commands);
        // Only netlink events drive the detector here: nothing calls refreshNow.
        QTRY_COMPARE_WITH_TIMEOUT(detector.vpnName(), step.vpnName, 5000);
        QVERIFY2(detector.isVPNActive() == !step.vpnName.isEmpty(), qPrintable(context));
        QCOMPARE(paths.currentPath().otherInterfaceNames, step.tunnels);
    }
    QCOMPARE(detector.statusText(), QStringLiteral("Ingen VPN registreret"));
    // On at tailscale0, renamed twice (WireGuard VPN, VPN), off after tap0.
    QCOMPARE(changes.count(), 4);
}

// Creates a network namespace and runs TunnelsInNamespace in a copy of this program inside it.
class TunnelDetectionTest : public QObject {
    Q_OBJECT
private slots:
    void detectorSeesRealTunnelDevices();
};

void TunnelDetectionTest::detectorSeesRealTunnelDevices() {
    if (::geteuid() != 0) {
        QSKIP("Creating a network namespace and tunnel devices needs root (CI runs as root).");
    }
    if (!QFile::exists(QStringLiteral("/dev/net/tun"))) {
        QSKIP("This machine has no /dev/net/tun, so no tunnel device can be created.");
    }
    removeAbandonedNamespaces();
    const QString name = kNamespacePrefix + QString::number(QCoreApplication::applicationPid());
    const CommandResult created =
        run(QStringLiteral("ip"), {QStringLiteral("netns"), QStringLiteral("add"), name});
    QVERIFY2(created.exitCode == 0, qPrintable(QStringLiteral("ip netns add: ") + created.output));
    NamespaceGuard guard(name);

    QProcess inside;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QString::fromLatin1(kNamespaceVariable), name);
    inside.setProcessEnvironment(environment);
    inside.setProcessChannelMode(QProcess::MergedChannels);
    inside.start(QStringLiteral("ip"), {QStringLiteral("netns"), QStringLiteral("exec"), name,
                                        QCoreApplication::applicationFilePath()});
    const bool finished = inside.waitForFinished(120000);
    if (!finished) {
        inside.kill();
        inside.waitForFinished();
    }
    const QString output = QString::fromLocal8Bit(inside.readAll());
    QVERIFY2(finished && inside.exitStatus() == QProcess::NormalExit && inside.exitCode() == 0,
             qPrintable(QStringLiteral("inside the namespace:\n") + output));
    QVERIFY2(output.contains(QLatin1String("TunnelsInNamespace::detectorFollowsTunnelsComingAndGoing()")),
             qPrintable(output));
}

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    if (qEnvironmentVariableIsSet(kNamespaceVariable)) {
        TunnelsInNamespace inside;
        return QTest::qExec(&inside, argc, argv);
    }
    TunnelDetectionTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "TunnelDetectionTest.moc"
