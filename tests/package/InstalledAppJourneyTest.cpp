// The installed packages, as a user gets them, in a network namespace of their own: the packaged
// molvena-server as backend, a real Unbound as resolver blocking the canary and the gambling sites
// (whose stand-ins would answer a lookup that got through). The app, started with a player's
// preferences, switches on automatic start and verifies web protection through that resolver; started
// again from its autostart entry, as at log-in, it reaches the same backend. Skips without the packages.

#include "ProtectionTestSupport.h"
#include "TaskTesting.h"
#include "TestSupport.h"
#include "backend/APIClient.h"
#include "linux/XdgAutostartLoginItem.h"
#include "session/PreferenceKeys.h"

#include <QProcess>
#include <QRegularExpression>
#include <QSettings>
#include <QTemporaryDir>
#include <QUuid>
#include <QtTest/QtTest>

using namespace molvena;
using namespace molvena::test;
using namespace Qt::StringLiterals;
using namespace std::chrono_literals;

namespace {

const QString kResolver = u"10.77.0.53"_s;
const QString kServer = u"10.77.0.2"_s;
const QString kApiHost = u"api.molvena.test"_s;
const auto& kBlockedSites = kNamespaceSites;
const QString kApp = u"/usr/bin/molvena"_s;

} // namespace

class InstalledAppJourney : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void installedAppReachesTheDashboardAndStartsAgainAtLogIn();

private:
    // Starts the app and waits until it says it shows `screen`; returns its output so far.
    QString runUntilScreen(QProcess& app, const QStringList& command, const QProcessEnvironment& environment,
                           const QString& screen);
    int requestsTo(const QString& path);

    QTemporaryDir m_folder;
    QProcess m_unbound;
    QProcess m_server;
    QString m_serverLog;
    QUrl m_apiBase;
    QList<std::shared_ptr<SwitchableSite>> m_sites;
};

int InstalledAppJourney::requestsTo(const QString& path) {
    m_serverLog += QString::fromUtf8(m_server.readAllStandardError());
    return int(m_serverLog.count(u" /api/"_s + path + QLatin1Char(' ')));
}

void InstalledAppJourney::initTestCase() {
    for (const QString& package : {u"molvena"_s, u"molvena-server"_s}) {
        const CommandResult installed = runCommand(u"dpkg-query"_s, {u"-W"_s, u"-f=${Status}"_s, package});
        if (!installed.output.contains(QLatin1String("install ok installed"))) {
            QSKIP("The molvena packages are not installed (scripts/test.sh installs them in CI).");
        }
    }
    if (runCommand(u"unbound"_s, {u"-V"_s}).exitCode != 0) {
        QSKIP("Unbound is not installed (scripts/install-dependencies.sh installs it).");
    }
    ip(u"link set lo up"_s);
    ip(u"addr add %1/32 dev lo"_s.arg(kResolver));
    ip(u"addr add %1/32 dev lo"_s.arg(kServer));
    for (const auto& [name, address] : kBlockedSites) {
        ip(u"addr add %1/32 dev lo"_s.arg(address));
        m_sites.append(std::make_shared<SwitchableSite>(QHostAddress(address), 80));
    }

    // The packaged backend.
    m_apiBase = startServer(m_server, u"/usr/bin/molvena-server"_s,
                            {u"--listen"_s, kServer, u"--port"_s, u"0"_s, u"--data"_s,
                             m_folder.filePath(u"server"_s), u"--log-requests"_s});
    QVERIFY(m_apiBase.isValid());
    m_apiBase.setHost(kApiHost);

    // The protective resolver: the backend's name resolves, the canary and the sites do not.
    QString configuration = unboundConfiguration(kResolver, m_folder.path(),
                                                 u"  local-data: \"%1. A %2\"\n"_s.arg(kApiHost, kServer));
    for (const auto& [name, address] : kBlockedSites) {
        configuration += u"  local-zone: \"%1.\" always_nxdomain\n"_s.arg(name);
    }
    startUnbound(m_unbound, m_folder.filePath(u"unbound.conf"_s), configuration);
    setNameServer(kResolver);
    // Unbound answers only once it has read its zones; the journey starts when the backend's name resolves.
    QTRY_VERIFY_WITH_TIMEOUT(runCommand(u"getent"_s, {u"hosts"_s, m_apiBase.host()}).exitCode == 0, 10000);
}

void InstalledAppJourney::cleanupTestCase() {
    for (QProcess* process : {&m_unbound, &m_server}) {
        process->terminate();
        process->waitForFinished(5000);
    }
}

QString InstalledAppJourney::runUntilScreen(QProcess& app, const QStringList& command,
                                            const QProcessEnvironment& environment, const QString& screen) {
    app.setProcessEnvironment(environment);
    app.setProcessChannelMode(QProcess::MergedChannels);
    app.start(command.first(), command.mid(1));
    app.waitForStarted();
    QString output;
    const QString wanted = u"screen="_s + screen + QLatin1Char('\n');
    QDeadlineTimer deadline(60s);
    while (!output.contains(wanted) && app.state() == QProcess::Running && !deadline.hasExpired()) {
        app.waitForReadyRead(200);
        output += QString::fromUtf8(app.readAll());
    }
    return output;
}

void InstalledAppJourney::installedAppReachesTheDashboardAndStartsAgainAtLogIn() {
    // A player who finished onboarding on this computer: registered with the backend, setup done.
    const QString token = u"mac-"_s + QUuid::createUuid().toString(QUuid::WithoutBraces);
    QNetworkAccessManager network;
    const FixedDeviceInfo computer(u"Annas computer"_s);
    const APIClient api(m_apiBase, m_apiBase.resolved(QUrl(u"/shield_blocked"_s)), network, 10s, computer);
    const auto account =
        runTask(api.registerMacDevice(u"Anna"_s, u"anna@example.org"_s, u"4821"_s, u"582913"_s, token));
    QVERIFY2(account.finished && !account.error, describe(account.error).constData());
    const QString home = m_folder.filePath(u"home"_s);
    const QString config = home + u"/.config"_s;
    {
        QSettings preferences(config + u"/Molvena/Molvena.conf"_s, QSettings::IniFormat);
        preferences.setValue(preferenceKeys::macRole, u"player"_s);
        preferences.setValue(preferenceKeys::macSetupComplete, true);
        preferences.setValue(preferenceKeys::deviceToken, token);
        preferences.setValue(preferenceKeys::playerName, u"Anna"_s);
        preferences.setValue(preferenceKeys::playerEmail, u"anna@example.org"_s);
        preferences.setValue(preferenceKeys::pairingCode, u"582913"_s);
    }

    QProcessEnvironment desktop;
    for (const char* name : {"PATH", "LANG"}) {
        desktop.insert(QString::fromLatin1(name), qEnvironmentVariable(name));
    }
    desktop.insert(u"HOME"_s, home);
    desktop.insert(u"XDG_CONFIG_HOME"_s, config);
    desktop.insert(u"QT_QPA_PLATFORM"_s, u"offscreen"_s);
    desktop.insert(u"MOLVENA_REPORT_SCREENS"_s, u"1"_s);

    // First start, as run.sh would start it: the deployment comes from the environment.
    QProcessEnvironment firstStart = desktop;
    QStringList probes;
    for (qsizetype i = 1; i < kBlockedSites.size(); ++i) {
        probes << u"http://%1/"_s.arg(kBlockedSites[i].first);
    }
    firstStart.insert(u"MOLVENA_API_BASE"_s, m_apiBase.toString());
    firstStart.insert(u"MOLVENA_CANARY_URL"_s, u"http://%1/"_s.arg(kBlockedSites[0].first));
    firstStart.insert(u"MOLVENA_PROBE_URLS"_s, probes.join(QLatin1Char(',')));
    firstStart.insert(u"MOLVENA_PRESS"_s, u"Aktivér automatisk start"_s);
    QProcess app;
    const QString output = runUntilScreen(app, {kApp}, firstStart, u"PlayerDashboard"_s);
    // The press on the protection setup is what writes the autostart entry read below.
    QVERIFY2(output.contains(QLatin1String("screen=PlayerDashboard\n")), qPrintable(output));
    QTRY_VERIFY_WITH_TIMEOUT(requestsTo(u"mac_device_status.php"_s) >= 1, 10000);
    for (const auto& site : m_sites) {
        QCOMPARE(site->requestCount(), 0); // every lookup was answered by the protective resolver
    }
    app.terminate();
    QVERIFY(app.waitForFinished(10000));

    // The autostart entry the app wrote starts the installed program with the deployment it used.
    XdgAutostartLoginItem entry(
        {.configHome = config, .executablePath = kApp, .installedRoots = {}, .environment = {}});
    static const QRegularExpression execLine(u"^Exec=(.*)$"_s, QRegularExpression::MultilineOption);
    const QString exec = execLine.match(QString::fromUtf8(readFile(entry.entryPath()))).captured(1);
    const QStringList command = XdgAutostartLoginItem::argumentsOfExec(exec);
    QCOMPARE(XdgAutostartLoginItem::programOfExec(exec), kApp);
    QVERIFY2(command.contains(u"MOLVENA_API_BASE="_s + m_apiBase.toString()), qPrintable(exec));

    // Log-in: the desktop starts the entry's command, without any of the test's variables.
    const int countsBefore = requestsTo(u"count.php"_s);
    QProcess atLogIn;
    const QString again = runUntilScreen(atLogIn, command, desktop, u"PlayerDashboard"_s);
    QVERIFY2(again.contains(QLatin1String("screen=PlayerDashboard\n")), qPrintable(again));
    QTRY_VERIFY_WITH_TIMEOUT(requestsTo(u"count.php"_s) > countsBefore, 15000);
    atLogIn.terminate();
    QVERIFY(atLogIn.waitForFinished(10000));
}

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    InstalledAppJourney journey;
    return runInOwnNetworkNamespace(argc, argv, journey);
}

#include "InstalledAppJourneyTest.moc"
