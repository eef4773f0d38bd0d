// Runs many web-protection verifications in a row against loopback sites and prints the time per
// verification, the thread count and the resident memory at the start and the end: each probe
// makes and drops its own network session, and neither threads nor memory may pile up.
//
//   verification_soak [iterations] [--check]
//
// With --check the exit code is 1 when threads or memory grew past a small allowance.

#include "ProtectionTestSupport.h"
#include "ScriptedHttpServer.h"
#include "TestSupport.h"
#include "protection/MacDNSProtectionManager.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QNetworkAccessManager>
#include <QTimer>

#include <qcoro/qcorotask.h>

#include <algorithm>
#include <cstdio>
#include <vector>

using namespace molvena;
using namespace molvena::test;

namespace {

struct ProcessFigures {
    int threads = 0;
    qint64 residentKiB = 0;
};

ProcessFigures readProcessFigures() {
    ProcessFigures figures;
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly | QIODevice::Text)) {
        return figures;
    }
    for (const QByteArray& line : status.readAll().split('\n')) {
        const QList<QByteArray> fields = line.simplified().split(' ');
        if (line.startsWith("Threads:")) {
            figures.threads = fields.value(1).toInt();
        } else if (line.startsWith("VmRSS:")) {
            figures.residentKiB = fields.value(1).toLongLong();
        }
    }
    return figures;
}

void print(const char* when, const ProcessFigures& figures) {
    std::printf("%-28s threads=%d rss=%lld KiB\n", when, figures.threads, figures.residentKiB);
}

// Lets deferred deletions and the network sessions' threads wind down before measuring.
void settle() {
    for (int i = 0; i < 5; ++i) {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    }
}

double percentile(std::vector<double> values, double fraction) {
    std::sort(values.begin(), values.end());
    return values[std::min(values.size() - 1, std::size_t(fraction * double(values.size())))];
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    const QStringList arguments = application.arguments();
    const bool check = arguments.contains(QStringLiteral("--check"));
    int iterations = 1000;
    for (const QString& argument : arguments.mid(1)) {
        bool ok = false;
        const int value = argument.toInt(&ok);
        if (ok && value > 0) {
            iterations = value;
        }
    }

    // The canary answers, so every verification also runs the three fallback probes: a refused
    // port, a name that does not resolve, and a live site (two blocked: active).
    ScriptedHttpServer canary;
    ScriptedHttpServer site;
    site.setDefaultReply({.status = 403, .body = "no"});
    TemporaryPreferences preferences;
    RecordingWorkspace workspace;
    QNetworkAccessManager network;
    const Deployment deployment{
        .apiBase = canary.url(QStringLiteral("/api/")),
        .blockProxy = canary.url(QStringLiteral("/shield_blocked")),
        .canaryURL = canary.url(QStringLiteral("/")),
        .probeURLs = {refusingURL(), unresolvableURL(), site.url(QStringLiteral("/"))},
        .resolverHostName = QStringLiteral("dns.molvena.test")};
    MacDNSProtectionManager manager(preferences.store(), workspace, network, deployment);

    settle();
    const ProcessFigures start = readProcessFigures();
    print("start", start);

    std::vector<double> milliseconds;
    milliseconds.reserve(std::size_t(iterations));
    int notActive = 0;
    ProcessFigures afterWarmUp;
    QElapsedTimer total;
    total.start();
    for (int i = 0; i < iterations; ++i) {
        QElapsedTimer one;
        one.start();
        if (QCoro::waitFor(manager.verify()) != MacDNSProtectionState::active) {
            ++notActive;
            std::printf("verification %d: %s\n", i + 1, qPrintable(manager.lastError()));
        }
        milliseconds.push_back(double(one.nsecsElapsed()) / 1e6);
        if (i == 9) {
            settle();
            afterWarmUp = readProcessFigures();
            print("after 10 verifications", afterWarmUp);
        }
        // The canary and the site record every request; the soak measures the client, not them.
        canary.clearRequests();
        site.clearRequests();
    }
    const double totalSeconds = double(total.elapsed()) / 1000.0;
    settle();
    const ProcessFigures end = readProcessFigures();
    print("end", end);

    double sum = 0;
    for (const double value : milliseconds) {
        sum += value;
    }
    std::printf("verifications=%d not-active=%d total=%.2f s\n", iterations, notActive, totalSeconds);
    std::printf("per verification: mean=%.2f ms median=%.2f ms p95=%.2f ms max=%.2f ms\n",
                sum / double(iterations), percentile(milliseconds, 0.5), percentile(milliseconds, 0.95),
                *std::max_element(milliseconds.begin(), milliseconds.end()));
    // Where the time of one verification goes: the probes one by one.
    const QList<std::pair<const char*, QUrl>> probes = {{"live site", site.url(QStringLiteral("/"))},
                                                        {"refused port", refusingURL()},
                                                        {"unresolvable name", unresolvableURL()}};
    for (const auto& [name, url] : probes) {
        QElapsedTimer timer;
        timer.start();
        for (int i = 0; i < 20; ++i) {
            QCoro::waitFor(manager.probe(url));
        }
        std::printf("one probe, %-18s mean=%.2f ms\n", name, double(timer.nsecsElapsed()) / 1e6 / 20);
    }
    site.clearRequests();
    // An active verification records itself with three preference writes, each synced to disk.
    {
        QElapsedTimer timer;
        timer.start();
        for (int i = 0; i < 20; ++i) {
            manager.markVerified(QStringLiteral("soak"));
        }
        std::printf("recording an active result (3 preference writes, one sync) mean=%.2f ms\n",
                    double(timer.nsecsElapsed()) / 1e6 / 20);
    }

    const ProcessFigures base = iterations > 10 ? afterWarmUp : start;
    std::printf("growth since warm-up: threads=%+d rss=%+lld KiB\n", end.threads - base.threads,
                end.residentKiB - base.residentKiB);

    if (check &&
        (notActive > 0 || end.threads > base.threads + 2 || end.residentKiB > base.residentKiB + 16 * 1024)) {
        std::printf("FAILED: verifications must stay active and threads and memory flat\n");
        return 1;
    }
    return 0;
}
