// Figures for scripts/measure-web-protection.sh (which sets up the resolver and the namespace):
//
//   web_protection_bench queries <address> <port> <name-pattern> <count>
//       Sends <count> A queries over UDP (64 in flight), <name-pattern>'s "%1" replaced by the query
//       number, and prints answered queries per second. Stops after 20 s in any case.
//   web_protection_bench verify <resolver-address> blocked|resolves|hangs
//       Inside a network namespace whose resolv.conf names <resolver-address>: serves the local
//       sites (or, for "hangs", a name server that never answers) and prints the time of one
//       verification.

#include "ProtectionTestSupport.h"
#include "TestSupport.h"
#include "protection/MacDNSProtectionManager.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QNetworkAccessManager>
#include <QUdpSocket>

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
        .canaryURL = site("canary.molvena.test"),
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

} // namespace

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.value(1) == QLatin1String("queries") && arguments.size() == 6) {
        return measureQueries(arguments[2], arguments[3].toInt(), arguments[4], arguments[5].toInt());
    }
    if (arguments.value(1) == QLatin1String("verify") && arguments.size() == 4) {
        return measureVerification(arguments[2], arguments[3]);
    }
    std::fprintf(stderr, "usage: see the comment at the top of WebProtectionBench.cpp\n");
    return 2;
}
