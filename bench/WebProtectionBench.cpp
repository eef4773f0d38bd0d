// Figures for scripts/measure-web-protection.sh (which sets up the resolver and the namespace):
//
//   web_protection_bench queries <address> <port> <name-pattern> <count>
//       Sends <count> A queries over UDP (64 in flight), <name-pattern>'s "%1" replaced by the query
//       number, and prints answered queries per second. Stops after 20 s in any case.
//   web_protection_bench verify <resolver-address> blocked|resolves|hangs
//       Inside a network namespace whose resolv.conf names <resolver-address>: serves the local
//       sites (or, for "hangs", a name server that never answers) and prints the time of one
//       verification.
//   web_protection_bench browsers <megabytes>
//       Writes a Firefox profile whose prefs.js is about <megabytes> MB and times the browser check:
//       on the calling thread, and on a worker awaited from the event loop, with the longest time
//       the event loop went without running (a 1 ms timer's largest gap).

#include "ProtectionTestSupport.h"
#include "TestSupport.h"
#include "linux/LinuxBrowserLocations.h"
#include "protection/BrowserDNSBypassCheck.h"
#include "protection/MacDNSProtectionManager.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QNetworkAccessManager>
#include <QTemporaryDir>
#include <QTimer>
#include <QUdpSocket>

#include <qcoro/qcorofuture.h>

#include <arpa/inet.h>
#include <chrono>
#include <cstdio>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

using namespace molvena;
using namespace molvena::test;

namespace {

QByteArray query(quint16 id, const QString& name) {
    QByteArray packet;
    packet.append(char(id >> 8)).append(char(id & 0xff));
    packet.append("\x01\x00\x00\x01\x00\x00\x00\x00\x00\x00", 10); // recursion desired, one question
    for (const QString& label : name.split(QLatin1Char('.'))) {
        packet.append(char(label.size())).append(label.toLatin1());
    }
    packet.append("\x00\x00\x01\x00\x01", 5); // root, type A, class IN
    return packet;
}

int measureQueries(const QString& address, int port, const QString& pattern, int count) {
    const int socket = ::socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK, 0);
    sockaddr_in server{};
    server.sin_family = AF_INET;
    server.sin_port = htons(quint16(port));
    ::inet_pton(AF_INET, address.toLatin1().constData(), &server.sin_addr);
    ::connect(socket, reinterpret_cast<sockaddr*>(&server), sizeof server);
    QElapsedTimer timer;
    timer.start();
    int sent = 0;
    int answered = 0;
    int inFlight = 0;
    while (answered < count && timer.elapsed() < 20000) {
        while (inFlight < 64 && sent < count) {
            const QByteArray packet = query(quint16(sent), pattern.arg(sent));
            if (::send(socket, packet.constData(), size_t(packet.size()), 0) < 0) {
                break;
            }
            ++sent;
            ++inFlight;
        }
        pollfd ready{socket, POLLIN, 0};
        if (::poll(&ready, 1, 200) <= 0) {
            inFlight = 0; // lost ones are not waited for
            continue;
        }
        char buffer[1500];
        while (::recv(socket, buffer, sizeof buffer, 0) > 0) {
            ++answered;
            --inFlight;
        }
    }
    ::close(socket);
    std::printf("%d answers in %.2f s: %.0f queries/s\n", answered, double(timer.elapsed()) / 1000.0,
                answered * 1000.0 / double(std::max<qint64>(timer.elapsed(), 1)));
    return answered == count ? 0 : 1;
}

int measureVerification(const QString& resolverAddress, const QString& mode) {
    QList<std::shared_ptr<SwitchableSite>> sites;
    for (int i = 10; i < 14; ++i) {
        sites.append(std::make_shared<SwitchableSite>(QHostAddress(QStringLiteral("10.77.0.%1").arg(i)), 80));
    }
    QUdpSocket silentNameServer; // takes every query and answers none
    if (mode == QLatin1String("hangs") && !silentNameServer.bind(QHostAddress(resolverAddress), 53)) {
        std::fprintf(stderr, "cannot listen on %s:53\n", qPrintable(resolverAddress));
        return 1;
    }
    TemporaryPreferences preferences;
    RecordingWorkspace workspace;
    QNetworkAccessManager network;
    const auto site = [](const char* name) {
        return QUrl(QStringLiteral("http://%1/").arg(QLatin1String(name)));
    };
    const Deployment deployment{
        .apiBase = QUrl(QStringLiteral("http://api.molvena.test/api/")),
        .blockProxy = QUrl(QStringLiteral("http://api.molvena.test/shield_blocked")),
        .canaryURL = site("canary.molvena.test"), // the zone: each check asks a fresh name beneath it
        .probeURLs = {site("www.danskespil.test"), site("www.bet365.test"), site("www.unibet.test")},
        .resolverHostName = QStringLiteral("dns.molvena.test")};
    MacDNSProtectionManager manager(preferences.store(), workspace, network, deployment, {},
                                    lookUpHostWithSystemResolver);
    QElapsedTimer timer;
    timer.start();
    const MacDNSProtectionState state = QCoro::waitFor(manager.verify());
    std::printf("resolver %-8s -> %-8s in %.2f s (%s)\n", qPrintable(mode), qPrintable(rawValue(state)),
                double(timer.elapsed()) / 1000.0, qPrintable(manager.lastError()));
    return 0;
}

// The event loop runs while the worker reads, as it does in the app.
QCoro::Task<> awaitFindings(const BrowserDNSBypassCheck& check) {
    co_await check.runInBackground();
}

int measureBrowserCheck(int megabytes) {
    QTemporaryDir root;
    const QString profiles = root.filePath(QStringLiteral("home/.mozilla/firefox"));
    QDir().mkpath(profiles + QStringLiteral("/bench.default"));
    QFile ini(profiles + QStringLiteral("/profiles.ini"));
    if (!ini.open(QIODevice::WriteOnly)) {
        return 1;
    }
    ini.write("[Profile0]\nName=default\nIsRelative=1\nPath=bench.default\nDefault=1\n");
    ini.close();
    QFile prefs(profiles + QStringLiteral("/bench.default/prefs.js"));
    if (!prefs.open(QIODevice::WriteOnly)) {
        return 1;
    }
    // Long string values with escapes, as a session or add-on store leaves them.
    const QByteArray value = QByteArray(180, 'x') + "\\u00e6\\\"quoted\\\"";
    for (qint64 line = 0; prefs.size() < qint64(megabytes) * 1024 * 1024; ++line) {
        prefs.write("user_pref(\"extensions.bench.value" + QByteArray::number(line) + "\", \"" + value +
                    "\");\n");
    }
    prefs.write("user_pref(\"network.trr.mode\", 2);\n");
    const double size = double(prefs.size()) / 1024 / 1024;
    prefs.close();

    const LinuxBrowserLocations locations({.home = root.filePath(QStringLiteral("home")),
                                           .configHome = root.filePath(QStringLiteral("home/.config")),
                                           .systemRoot = root.filePath(QStringLiteral("system"))});
    const BrowserDNSBypassCheck check(locations, QStringLiteral("dns.molvena.test"));
    constexpr int rounds = 5;
    QElapsedTimer timer;
    timer.start();
    for (int round = 0; round < rounds; ++round) {
        check.run();
    }
    const double onCaller = double(timer.nsecsElapsed()) / 1e6 / rounds;

    // The event loop's longest pause while the worker reads: what a window would feel.
    QElapsedTimer sinceTick;
    qint64 longestGap = 0;
    QTimer tick;
    tick.setInterval(1);
    QObject::connect(&tick, &QTimer::timeout, [&] {
        longestGap = std::max(longestGap, sinceTick.nsecsElapsed());
        sinceTick.restart();
    });
    timer.restart();
    sinceTick.start();
    tick.start();
    for (int round = 0; round < rounds; ++round) {
        QCoro::waitFor(awaitFindings(check));
    }
    const double offThread = double(timer.nsecsElapsed()) / 1e6 / rounds;
    tick.stop();
    std::printf("browser check, prefs.js %.1f MB: %.0f ms per evaluation on the calling thread; "
                "%.0f ms on a worker, event loop blocked at most %.1f ms\n",
                size, onCaller, offThread, double(longestGap) / 1e6);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.value(1) == QLatin1String("queries") && arguments.size() == 6) {
        return measureQueries(arguments[2], arguments[3].toInt(), arguments[4], arguments[5].toInt());
    }
    if (arguments.value(1) == QLatin1String("browsers") && arguments.size() == 3) {
        return measureBrowserCheck(arguments[2].toInt());
    }
    if (arguments.value(1) == QLatin1String("verify") && arguments.size() == 4) {
        return measureVerification(arguments[2], arguments[3]);
    }
    std::fprintf(stderr, "usage: see the comment at the top of WebProtectionBench.cpp\n");
    return 2;
}
