#include "AppDriver.h"
#include "FixedDeviceInfo.h"
#include "ProtectionTestSupport.h"
#include "TaskTesting.h"
#include "linux/XdgAutostartLoginItem.h"
#include "session/PreferenceKeys.h"

#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QNetworkAccessManager>
#include <QTimer>
#include <QUuid>
#include <QtTest/QtTest>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <unistd.h>

using namespace molvena;
using namespace molvena::test;
using namespace std::chrono_literals;

namespace keys = preferenceKeys;

// The player's dashboard of a returning, protected player with the monitor running, measured from
// inside the app's own process: CPU while idle, resident memory after start and after a long idle
// spell, and how long "Synkronisér" takes until the pill settles, every probe on loopback. Prints
// key=value lines; scripts/measure-dashboard.sh builds and runs it. Not part of the test suite.
class DashboardMeasurement : public QObject {
    Q_OBJECT
private slots:
    void measure();

private:
    static int setting(const char* name, int fallback) {
        bool ok = false;
        const int value = qEnvironmentVariableIntValue(name, &ok);
        return ok && value >= 0 ? value : fallback;
    }
    // CPU seconds this process has used, user and system, all threads.
    static double cpuSeconds() {
        QFile stat(QStringLiteral("/proc/self/stat"));
        if (!stat.open(QIODevice::ReadOnly)) {
            return 0;
        }
        const QByteArray text = stat.readAll();
        // Fields after the command name, which may hold blanks; utime and stime are fields 14 and 15.
        const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
        return double(fields.value(11).toLongLong() + fields.value(12).toLongLong()) / sysconf(_SC_CLK_TCK);
    }
    static double residentMiB() {
        QFile status(QStringLiteral("/proc/self/status"));
        if (status.open(QIODevice::ReadOnly)) {
            for (const QByteArray& line : status.readAll().split('\n')) {
                if (line.startsWith("VmRSS:")) {
                    return line.mid(6).trimmed().split(' ').value(0).toDouble() / 1024;
                }
            }
        }
        return 0;
    }
    // Runs the event loop only: a polling wait would wake the process and be counted as the app's.
    static void idle(std::chrono::milliseconds span) {
        QEventLoop loop;
        QTimer::singleShot(span, &loop, &QEventLoop::quit);
        loop.exec();
    }
    // Presses "Synkronisér" and returns the milliseconds until the button says so again; -1 if it
    // did not within 20 s.
    static double timedSync(AppDriver& driver);
    // Median, min and max of the runs, and the app's own CPU time per run (which a loaded machine
    // does not inflate the way it does the wall time).
    static void printSeries(const char* name, QList<double> milliseconds, double cpuSecondsSpent);
};

double DashboardMeasurement::timedSync(AppDriver& driver) {
    QQuickItem* button = driver.item(QStringLiteral("syncButton"));
    const auto settled = [button] {
        return button->property("text").toString() == QStringLiteral("Synkronisér");
    };
    if (!button || !QTest::qWaitFor(settled, 20000)) {
        return -1;
    }
    QEventLoop loop;
    QObject::connect(button, SIGNAL(textChanged()), &loop, SLOT(quit()));
    QTimer bound;
    bound.setSingleShot(true);
    QObject::connect(&bound, &QTimer::timeout, &loop, &QEventLoop::quit);
    QElapsedTimer clock;
    clock.start();
    bound.start(20000);
    driver.click(QStringLiteral("syncButton"));
    while (!settled() && bound.isActive()) {
        loop.exec();
    }
    return settled() ? double(clock.nsecsElapsed()) / 1e6 : -1;
}

void DashboardMeasurement::printSeries(const char* name, QList<double> milliseconds, double cpuSecondsSpent) {
    std::sort(milliseconds.begin(), milliseconds.end());
    if (milliseconds.isEmpty()) {
        return;
    }
    const qsizetype middle = milliseconds.size() / 2;
    const double median = milliseconds.size() % 2 ? milliseconds[middle]
                                                  : (milliseconds[middle - 1] + milliseconds[middle]) / 2;
    std::printf("%s_runs=%lld %s_median_ms=%.1f %s_min_ms=%.1f %s_max_ms=%.1f %s_cpu_ms_per_run=%.1f\n", name,
                qlonglong(milliseconds.size()), name, median, name, milliseconds.first(), name,
                milliseconds.last(), name, 1000 * cpuSecondsSpent / double(milliseconds.size()));
    std::fflush(stdout);
}

void DashboardMeasurement::measure() {
    const int idleSeconds = setting("MOLVENA_MEASURE_IDLE_SECONDS", 120);
    const int soakSeconds = setting("MOLVENA_MEASURE_SOAK_SECONDS", 600);
    const int syncRuns = std::max(1, setting("MOLVENA_MEASURE_SYNC_RUNS", 10));

    BackendProcess backend;
    const QString token = QStringLiteral("mac-") + QUuid::createUuid().toString(QUuid::WithoutBraces);
    const QString code = QStringLiteral("615243");
    {
        QNetworkAccessManager network;
        FixedDeviceInfo device;
        APIClient api(backend.apiBase(), backend.apiBase().resolved(QUrl(QStringLiteral("/shield_blocked"))),
                      network, 20s, device);
        QVERIFY(
            !runTask(api.registerMacDevice(QStringLiteral("Anna Jensen"), QStringLiteral("anna@example.dk"),
                                           QStringLiteral("1234"), code, token))
                 .error);
        QVERIFY(!runTask(api.pairRelative(code, QStringLiteral("bodil@example.dk"))).error);
    }

    // Installed, with its autostart entry in place: all three layers hold.
    QTemporaryDir desktop;
    const QString program = desktop.filePath(QStringLiteral("usr/bin/molvena"));
    QDir().mkpath(QFileInfo(program).path());
    QFile(program).open(QIODevice::WriteOnly);
    auto loginItem = std::make_unique<XdgAutostartLoginItem>(XdgAutostartLoginItem::Locations{
        .configHome = desktop.filePath(QStringLiteral("config")),
        .executablePath = program,
        .installedRoots = {desktop.filePath(QStringLiteral("usr"))},
    });
    QVERIFY(!loginItem->registerApplication());
    PlatformAdapters adapters = PlatformAdapters::forThisSystem();
    adapters.loginItems = std::move(loginItem);

    // Every probe site on loopback: refusing while protected, answering once the protection is gone.
    SwitchableSite site;
    site.setBlocked(true);
    Deployment deployment = AppDriver::blockedDeployment(backend);
    deployment.canaryURL = site.url();
    deployment.probeURLs = {site.url(), site.url(), site.url()};

    QElapsedTimer sinceStart;
    sinceStart.start();
    AppDriver driver(std::move(adapters), deployment, [&](PreferenceStore& preferences) {
        preferences.setValue(keys::macRole, QStringLiteral("player"));
        preferences.setValue(keys::macSetupComplete, true);
        preferences.setValue(keys::playerName, QStringLiteral("Anna Jensen"));
        preferences.setValue(keys::playerEmail, QStringLiteral("anna@example.dk"));
        preferences.setValue(keys::deviceToken, token);
        preferences.setValue(keys::pairingCode, code);
        preferences.setValue(keys::lastGamblingDate,
                             double(QDateTime::currentSecsSinceEpoch() - 20 * 24 * 3600));
        preferences.setValue(keys::hasEverActivatedMacProtection, true);
    });
    QVERIFY(driver.started());
    QTRY_COMPARE_WITH_TIMEOUT(driver.screenName(), QStringLiteral("PlayerDashboard"), 10000);
    QTRY_COMPARE_WITH_TIMEOUT(driver.textOf(QStringLiteral("statusPill")),
                              QStringLiteral("Beskyttelse aktiv"), 10000);
    const auto reports = [&](const QString& source) {
        return backend
            .rows(QStringLiteral("SELECT COUNT(*) FROM device_reports WHERE source = '%1'").arg(source))
            .value(0)
            .value(0)
            .toInt();
    };
    QTRY_COMPARE_WITH_TIMEOUT(reports(QStringLiteral("app_start")), 1, 10000);
    idle(5s); // the start-up's last replies and the first frames
    const double startupCpu = cpuSeconds();
    const double rssAfterStart = residentMiB();
    std::printf("platform=%s startup_cpu_seconds=%.2f rss_after_start_mib=%.1f\n",
                qPrintable(QGuiApplication::platformName()), startupCpu, rssAfterStart);
    std::fflush(stdout);

    const double cpuBefore = cpuSeconds();
    QElapsedTimer wall;
    wall.start();
    idle(std::chrono::seconds(idleSeconds));
    const double idleCpu = cpuSeconds() - cpuBefore;
    const double idleWall = double(wall.elapsed()) / 1000;
    std::printf("idle_seconds=%.1f idle_cpu_seconds=%.3f idle_cpu_percent=%.3f\n", idleWall, idleCpu,
                100 * idleCpu / idleWall);
    std::fflush(stdout);

    // On to the soak's end, counted from the start, through the monitor's heartbeats.
    const qint64 soakLeft = qint64(soakSeconds) * 1000 - sinceStart.elapsed();
    if (soakLeft > 0) {
        const double soakCpuBefore = cpuSeconds();
        QElapsedTimer soakWall;
        soakWall.start();
        idle(std::chrono::milliseconds(soakLeft));
        std::printf("soak_seconds=%lld heartbeats=%d soak_cpu_percent=%.3f rss_after_soak_mib=%.1f\n",
                    qlonglong(sinceStart.elapsed() / 1000), reports(QStringLiteral("heartbeat")),
                    100 * (cpuSeconds() - soakCpuBefore) / (double(soakWall.elapsed()) / 1000),
                    residentMiB());
        std::fflush(stdout);
    }

    QList<double> protectedRuns;
    double cpuAtStart = cpuSeconds();
    for (int run = 0; run < syncRuns; ++run) {
        protectedRuns.append(timedSync(driver));
        QCOMPARE(driver.textOf(QStringLiteral("statusPill")), QStringLiteral("Beskyttelse aktiv"));
    }
    printSeries("sync_protected", protectedRuns, cpuSeconds() - cpuAtStart);

    // The profile is gone: the canary answers, so all three fallback probes run.
    site.setBlocked(false);
    QList<double> removedRuns;
    cpuAtStart = cpuSeconds();
    for (int run = 0; run < syncRuns; ++run) {
        removedRuns.append(timedSync(driver));
        QCOMPARE(driver.textOf(QStringLiteral("statusPill")), QStringLiteral("Kontrollerer beskyttelse"));
        QVERIFY(driver.isShown(QStringLiteral("dashboardBanner")));
    }
    printSeries("sync_removed", removedRuns, cpuSeconds() - cpuAtStart);
    QVERIFY(!protectedRuns.contains(-1) && !removedRuns.contains(-1));
    std::printf("rss_at_end_mib=%.1f\n", residentMiB());
    std::fflush(stdout);
}

QTEST_MAIN(DashboardMeasurement)
#include "DashboardMeasurement.moc"
