// The installed packages, as a user gets them: inside a network namespace of its own, the packaged
// molvena-server is the backend and a real Unbound is the machine's resolver, blocking the canary
// and the gambling sites (whose local stand-ins would answer if a lookup got through). The packaged
// app, started with a registered player's preferences, switches on automatic start, verifies web
// protection through that resolver and reaches the dashboard; started again from the autostart
// entry it wrote, as the desktop does at log-in and without the test's variables, it reaches the
// same backend. Skips unless the molvena and molvena-server packages are installed.

#include "ProtectionTestSupport.h"
#include "linux/XdgAutostartLoginItem.h"
#include "protection/HostLookup.h"
#include "session/PreferenceKeys.h"

#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QUuid>
#include <QtTest/QtTest>

#include <qcoro/qcorotask.h>

using namespace molvena;
using namespace molvena::test;
using namespace std::chrono_literals;

namespace {

const QString kResolver = QStringLiteral("10.77.0.53");
const QString kServer = QStringLiteral("10.77.0.2");
const QString kApiHost = QStringLiteral("api.molvena.test");
const auto& kBlockedSites = kNamespaceSites;
const QString kApp = QStringLiteral("/usr/bin/molvena");

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
    return int(m_serverLog.count(QStringLiteral(" /api/") + path + QLatin1Char(' ')));
}

void InstalledAppJourney::initTestCase() {
    for (const QString& package : {QStringLiteral("molvena"), QStringLiteral("molvena-server")}) {
        const CommandResult installed = runCommand(
            QStringLiteral("dpkg-query"), {QStringLiteral("-W"), QStringLiteral("-f=${Status}"), package});
        if (!installed.output.contains(QLatin1String("install ok installed"))) {
            QSKIP("The molvena packages are not installed (scripts/test.sh installs them in CI).");
        }
    }
    if (runCommand(QStringLiteral("unbound"), {QStringLiteral("-V")}).exitCode != 0) {
        QSKIP("Unbound is not installed (scripts/install-dependencies.sh installs it).");
    }
    ip(QStringLiteral("link set lo up"));
    ip(QStringLiteral("addr add %1/32 dev lo").arg(kResolver));
    ip(QStringLiteral("addr add %1/32 dev lo").arg(kServer));
    for (const auto& [name, address] : kBlockedSites) {
        ip(QStringLiteral("addr add %1/32 dev lo").arg(address));
        m_sites.append(std::make_shared<SwitchableSite>(QHostAddress(address), 80));
    }

    // The packaged backend.
    m_server.start(QStringLiteral("/usr/bin/molvena-server"),
                   {QStringLiteral("--listen"), kServer, QStringLiteral("--port"), QStringLiteral("0"),
                    QStringLiteral("--data"), m_folder.filePath(QStringLiteral("server")),
                    QStringLiteral("--log-requests")});
    QVERIFY(m_server.waitForStarted());
    QString listening;
    QTRY_VERIFY_WITH_TIMEOUT((listening += QString::fromUtf8(m_server.readAllStandardOutput()))
                                     .contains(QLatin1String("listening on ")) ||
                                 m_server.state() != QProcess::Running,
                             10000);
    const qsizetype at = listening.indexOf(QStringLiteral("listening on "));
    QVERIFY2(at >= 0, qPrintable(listening + QString::fromUtf8(m_server.readAllStandardError())));
    const QUrl direct(listening.mid(at + 13).section(QLatin1Char('\n'), 0, 0).trimmed());
    m_apiBase = direct;
    m_apiBase.setHost(kApiHost);

    // The protective resolver: the backend's name resolves, the canary and the sites do not.
    QString configuration = unboundConfiguration(
        kResolver, m_folder.path(), QStringLiteral("  local-data: \"%1. A %2\"\n").arg(kApiHost, kServer));
    for (const auto& [name, address] : kBlockedSites) {
        configuration += QStringLiteral("  local-zone: \"%1.\" always_nxdomain\n").arg(name);
    }
    startUnbound(m_unbound, m_folder.filePath(QStringLiteral("unbound.conf")), configuration);
    setNameServer(kResolver);
    // Unbound answers only once it has read its zones; the journey starts when the backend's name resolves.
    QTRY_VERIFY_WITH_TIMEOUT(
        runCommand(QStringLiteral("getent"), {QStringLiteral("hosts"), m_apiBase.host()}).exitCode == 0,
        10000);
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
    const QString wanted = QStringLiteral("screen=") + screen + QLatin1Char('\n');
    QDeadlineTimer deadline(60s);
    while (!output.contains(wanted) && app.state() == QProcess::Running && !deadline.hasExpired()) {
        app.waitForReadyRead(200);
        output += QString::fromUtf8(app.readAll());
    }
    return output;
}

void InstalledAppJourney::installedAppReachesTheDashboardAndStartsAgainAtLogIn() {
    // A player who finished onboarding on this computer: registered with the backend, setup done.
    const QString token = QStringLiteral("mac-") + QUuid::createUuid().toString(QUuid::WithoutBraces);
    const auto post = [this](const QString& endpoint, const QStringList& fields) {
        QStringList arguments = {QStringLiteral("-sS"), QStringLiteral("-m"), QStringLiteral("10")};
        for (const QString& field : fields) {
            arguments << QStringLiteral("--data-urlencode") << field;
        }
        return runCommand(QStringLiteral("curl"), arguments << m_apiBase.resolved(QUrl(endpoint)).toString());
    };
    const CommandResult account = post(
        QStringLiteral("pairing.php"),
        {QStringLiteral("action=register"), QStringLiteral("device_token=") + token,
         QStringLiteral("pairing_code=582913"), QStringLiteral("name=Anna"), QStringLiteral("push_token="),
         QStringLiteral("master_pin=4821"), QStringLiteral("support_contacts="),
         QStringLiteral("email=anna@example.org"), QStringLiteral("country=DK")});
    QVERIFY2(account.exitCode == 0 && !account.output.contains(QLatin1String("\"error\"")),
             qPrintable(account.output));
    const CommandResult device =
        post(QStringLiteral("mac_device_register_new.php"),
             {QStringLiteral("device_token=") + token, QStringLiteral("device_name=Annas computer"),
              QStringLiteral("platform=macos")});
    QVERIFY2(device.exitCode == 0, qPrintable(device.output));
    const QString home = m_folder.filePath(QStringLiteral("home"));
    const QString config = home + QStringLiteral("/.config");
    {
        QSettings preferences(config + QStringLiteral("/Molvena/Molvena.conf"), QSettings::IniFormat);
        preferences.setValue(preferenceKeys::macRole, QStringLiteral("player"));
        preferences.setValue(preferenceKeys::macSetupComplete, true);
        preferences.setValue(preferenceKeys::deviceToken, token);
        preferences.setValue(preferenceKeys::playerName, QStringLiteral("Anna"));
        preferences.setValue(preferenceKeys::playerEmail, QStringLiteral("anna@example.org"));
        preferences.setValue(preferenceKeys::pairingCode, QStringLiteral("582913"));
    }

    QProcessEnvironment desktop;
    for (const char* name : {"PATH", "LANG"}) {
        desktop.insert(QString::fromLatin1(name), qEnvironmentVariable(name));
    }
    desktop.insert(QStringLiteral("HOME"), home);
    desktop.insert(QStringLiteral("XDG_CONFIG_HOME"), config);
    desktop.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    desktop.insert(QStringLiteral("MOLVENA_REPORT_SCREENS"), QStringLiteral("1"));

    // First start, as run.sh would start it: the deployment comes from the environment.
    QProcessEnvironment firstStart = desktop;
    QStringList probes;
    for (qsizetype i = 1; i < kBlockedSites.size(); ++i) {
        probes << QStringLiteral("http://%1/").arg(kBlockedSites[i].first);
    }
    firstStart.insert(QStringLiteral("MOLVENA_API_BASE"), m_apiBase.toString());
    firstStart.insert(QStringLiteral("MOLVENA_CANARY_URL"),
                      QStringLiteral("http://%1/").arg(kBlockedSites[0].first));
    firstStart.insert(QStringLiteral("MOLVENA_PROBE_URLS"), probes.join(QLatin1Char(',')));
    firstStart.insert(QStringLiteral("MOLVENA_PRESS"), QStringLiteral("Aktivér automatisk start"));
    QProcess app;
    const QString output = runUntilScreen(app, {kApp}, firstStart, QStringLiteral("PlayerDashboard"));
    QVERIFY2(output.contains(QLatin1String("screen=ProtectionSetup\n")), qPrintable(output));
    QVERIFY2(output.contains(QStringLiteral("pressed=Aktivér automatisk start\n")), qPrintable(output));
    QVERIFY2(output.contains(QLatin1String("screen=PlayerDashboard\n")), qPrintable(output));
    QTRY_VERIFY_WITH_TIMEOUT(requestsTo(QStringLiteral("mac_device_status.php")) >= 1, 10000);
    for (const auto& site : m_sites) {
        QCOMPARE(site->requestCount(), 0); // every lookup was answered by the protective resolver
    }
    app.terminate();
    QVERIFY(app.waitForFinished(10000));

    // The autostart entry the app wrote starts the installed program with the deployment it used.
    XdgAutostartLoginItem entry(
        {.configHome = config, .executablePath = kApp, .installedRoots = {}, .environment = {}});
    QFile entryFile(entry.entryPath());
    QVERIFY2(entryFile.open(QIODevice::ReadOnly), qPrintable(entry.entryPath()));
    QString exec;
    for (const QByteArray& line : entryFile.readAll().split('\n')) {
        if (line.startsWith("Exec=")) {
            exec = QString::fromUtf8(line.mid(5));
        }
    }
    const QStringList command = XdgAutostartLoginItem::argumentsOfExec(exec);
    QCOMPARE(XdgAutostartLoginItem::programOfExec(exec), kApp);
    QVERIFY2(command.contains(QStringLiteral("MOLVENA_API_BASE=") + m_apiBase.toString()), qPrintable(exec));

    // Log-in: the desktop starts the entry's command, without any of the test's variables.
    const int countsBefore = requestsTo(QStringLiteral("count.php"));
    QProcess atLogIn;
    const QString again = runUntilScreen(atLogIn, command, desktop, QStringLiteral("PlayerDashboard"));
    QVERIFY2(again.contains(QLatin1String("screen=PlayerDashboard\n")), qPrintable(again));
    QTRY_VERIFY_WITH_TIMEOUT(requestsTo(QStringLiteral("count.php")) > countsBefore, 15000);
    atLogIn.terminate();
    QVERIFY(atLogIn.waitForFinished(10000));
}

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    InstalledAppJourney journey;
    return runInOwnNetworkNamespace(argc, argv, journey);
}

#include "InstalledAppJourneyTest.moc"
