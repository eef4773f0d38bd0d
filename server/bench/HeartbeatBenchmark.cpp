// Load test for the heartbeat path: registers many simulated Macs with a running molvena-server, then
// sends mac_device_status.php reports from them round-robin with a fixed number in flight, and prints
// throughput, latency percentiles and how many Macs that throughput carries at one report per device
// every 300 seconds. Bounded by a request count and a time limit, so it always stops by itself.

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QUuid>

#include <QNetworkReply>
#include <QTimer>
#include <QUrl>
#include <map>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace {

struct Settings {
    QList<QUrl> apiBases; // heartbeats go to these in turn (several instances, balanced here)
    QUrl registerApiBase; // where the Macs are registered (a server instance directly); default apiBase
    int devices = 2000;
    int requests = 20000;
    int concurrency = 32;
    int timeLimitSeconds = 60;
    bool waitAfterRegistration = false;
};

QByteArray heartbeatBody(const QByteArray& deviceToken, bool active) {
    const QByteArray flag = active ? "1" : "0";
    return "active=" + flag + "&device_token=" + deviceToken + "&dns_active=" + flag +
           "&filter_active=0&heartbeat=1&last_gambling_date=1767222000&launch_at_login=1&pairing_code=482917"
           "&platform=macos&source=heartbeat&vpn_active=0";
}

// Runs `total` requests with at most `concurrency` in flight, spread over enough network access
// managers that none of them queues (Qt opens six connections per host and manager).
class LoadRunner : public QObject {
public:
    using BodyFor = std::function<std::pair<QString, QByteArray>(int index)>;

    LoadRunner(int total, int concurrency, qint64 deadlineMs, BodyFor bodyFor)
        : m_total(total), m_concurrency(concurrency), m_deadlineMs(deadlineMs),
          m_bodyFor(std::move(bodyFor)) {
        for (int i = 0; i < (concurrency + 5) / 6; ++i) {
            m_managers.push_back(std::make_unique<QNetworkAccessManager>());
        }
    }

    void run(const QList<QUrl>& apiBases) {
        m_apiBases = apiBases;
        m_clock.start();
        for (int slot = 0; slot < m_concurrency && m_started < m_total; ++slot) {
            startNext(slot);
        }
        if (m_inFlight > 0) {
            m_loop.exec();
        }
        m_elapsedMs = m_clock.elapsed();
    }

    std::vector<double> latenciesMs;
    int failures = 0;
    std::map<int, int> failureStatuses; // HTTP status (0: no reply) and how often
    qint64 elapsedMs() const { return m_elapsedMs; }
    int completed() const { return int(latenciesMs.size()) + failures; }

private:
    void startNext(int slot) {
        const int index = m_started++;
        const auto [endpoint, body] = m_bodyFor(index);
        QNetworkRequest request(m_apiBases[index % m_apiBases.size()].resolved(QUrl(endpoint)));
        request.setHeader(QNetworkRequest::ContentTypeHeader,
                          QByteArrayLiteral("application/x-www-form-urlencoded; charset=utf-8"));
        request.setTransferTimeout(10000);
        // Each simulated Mac is its own client address, in a /24 of its own (the server's budgets
        // are per network too), to a server run with --behind-proxy (nginx in front replaces this
        // header with the real one).
        request.setRawHeader(
            "X-Real-IP", QStringLiteral("10.%1.%2.7").arg((index >> 8) & 255).arg(index & 255).toLatin1());
        QElapsedTimer started;
        started.start();
        QNetworkReply* reply = m_managers[size_t(slot / 6)]->post(request, body);
        ++m_inFlight;
        // The local front end's certificate is self-signed.
        connect(reply, &QNetworkReply::sslErrors, reply, [reply] { reply->ignoreSslErrors(); });
        connect(reply, &QNetworkReply::finished, this, [this, reply, slot, started] {
            const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
            if (reply->error() == QNetworkReply::NoError && status == 200) {
                latenciesMs.push_back(double(started.nsecsElapsed()) / 1e6);
            } else {
                ++failures;
                ++failureStatuses[status];
            }
            reply->deleteLater();
            --m_inFlight;
            if (m_started < m_total && m_clock.elapsed() < m_deadlineMs) {
                startNext(slot);
            } else if (m_inFlight == 0) {
                m_loop.quit();
            }
        });
    }

    int m_total;
    int m_concurrency;
    qint64 m_deadlineMs;
    BodyFor m_bodyFor;
    std::vector<std::unique_ptr<QNetworkAccessManager>> m_managers;
    QList<QUrl> m_apiBases;
    QElapsedTimer m_clock;
    QEventLoop m_loop;
    int m_started = 0;
    int m_inFlight = 0;
    qint64 m_elapsedMs = 0;
};

double percentile(std::vector<double> values, double fraction) {
    if (values.empty()) {
        return 0;
    }
    std::sort(values.begin(), values.end());
    const size_t index = std::min(values.size() - 1, size_t(fraction * double(values.size())));
    return values[index];
}

std::optional<Settings> settingsFrom(const QCoreApplication& application) {
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Heartbeat load against a running molvena-server."));
    parser.addHelpOption();
    const QCommandLineOption base(QStringLiteral("api-base"),
                                  QStringLiteral("API base URL, ending in /api/; given again for each "
                                                 "further instance the heartbeats are spread over."),
                                  QStringLiteral("url"));
    const QCommandLineOption devices(QStringLiteral("devices"), QStringLiteral("Simulated Macs."),
                                     QStringLiteral("count"), QStringLiteral("2000"));
    const QCommandLineOption requests(QStringLiteral("requests"), QStringLiteral("Heartbeats to send."),
                                      QStringLiteral("count"), QStringLiteral("20000"));
    const QCommandLineOption concurrency(QStringLiteral("concurrency"), QStringLiteral("Requests in flight."),
                                         QStringLiteral("count"), QStringLiteral("32"));
    const QCommandLineOption timeLimit(QStringLiteral("time-limit"),
                                       QStringLiteral("Seconds at most per phase."),
                                       QStringLiteral("seconds"), QStringLiteral("60"));
    const QCommandLineOption registerBase(
        QStringLiteral("register-api-base"),
        QStringLiteral("API base for the registrations (a server behind the front end), default --api-base."),
        QStringLiteral("url"));
    const QCommandLineOption wait(
        QStringLiteral("wait-after-registration"),
        QStringLiteral("Print \"registered\" and wait for a line on standard input before the heartbeats "
                       "(a caller reads the database's counters in between)."));
    parser.addOptions({base, devices, requests, concurrency, timeLimit, registerBase, wait});
    parser.process(application);
    Settings settings;
    for (const QString& url : parser.values(base)) {
        settings.apiBases.append(QUrl(url));
    }
    settings.waitAfterRegistration = parser.isSet(wait);
    const bool basesValid =
        !settings.apiBases.isEmpty() &&
        std::all_of(settings.apiBases.cbegin(), settings.apiBases.cend(), [](const QUrl& url) {
            return url.isValid() && url.scheme().startsWith(QLatin1String("http"));
        });
    settings.registerApiBase =
        parser.isSet(registerBase) ? QUrl(parser.value(registerBase)) : settings.apiBases.value(0);
    settings.devices = parser.value(devices).toInt();
    settings.requests = parser.value(requests).toInt();
    settings.concurrency = parser.value(concurrency).toInt();
    settings.timeLimitSeconds = parser.value(timeLimit).toInt();
    if (!basesValid || settings.devices < 1 || settings.devices > 800000 || settings.requests < 1 ||
        settings.concurrency < 1 || settings.timeLimitSeconds < 1) {
        std::fprintf(stderr,
                     "usage: %s --api-base http://127.0.0.1:PORT/api/ [--devices N] [--requests N] "
                     "[--concurrency N] [--time-limit S]\n",
                     qPrintable(QCoreApplication::applicationName()));
        return std::nullopt;
    }
    return settings;
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication application(argc, argv);
    const std::optional<Settings> settings = settingsFrom(application);
    if (!settings) {
        return 2;
    }
    const QString run = QString::number(QDateTime::currentMSecsSinceEpoch(), 36);
    const auto tokenOf = [&](int device) {
        // The app's form of token, different for every run and device.
        return (QStringLiteral("mac-") +
                QUuid::createUuidV5(QUuid(), QStringLiteral("%1-%2").arg(run).arg(device))
                    .toString(QUuid::WithoutBraces))
            .toUtf8();
    };
    const qint64 limitMs = qint64(settings->timeLimitSeconds) * 1000;
    const qint64 codeOffset = QDateTime::currentMSecsSinceEpoch() % 900000;

    LoadRunner registration(settings->devices, settings->concurrency, limitMs, [&](int device) {
        // Codes and addresses of their own for every run, so runs can share one database.
        const QByteArray code = QByteArray::number(100000 + (codeOffset + device) % 900000);
        return std::pair(QStringLiteral("pairing.php"),
                         "action=register&country=DK&device_token=" + tokenOf(device) + "&email=bench-" +
                             run.toUtf8() + "-" + QByteArray::number(device) +
                             "%40example.dk&master_pin=1234&name=Bench"
                             "&pairing_code=" +
                             code + "&push_token=&support_contacts=");
    });
    registration.run({settings->registerApiBase});
    if (registration.failures > 0 || registration.completed() < settings->devices) {
        std::fprintf(stderr, "registration failed: %d of %d devices registered (is the database fresh?)\n",
                     int(registration.latenciesMs.size()), settings->devices);
        return 1;
    }

    LoadRunner heartbeats(settings->requests, settings->concurrency, limitMs, [&](int index) {
        const int device = index % settings->devices;
        // Most reports repeat the last state; one in ten changes it, as a Mac going on and off would.
        const bool active = (index / settings->devices) % 10 != 9;
        return std::pair(QStringLiteral("mac_device_status.php"), heartbeatBody(tokenOf(device), active));
    });
    if (settings->waitAfterRegistration) {
        std::printf("registered\n");
        std::fflush(stdout);
        char line[16];
        if (!std::fgets(line, sizeof line, stdin)) {
            return 1;
        }
    }
    heartbeats.run(settings->apiBases);

    const double seconds = double(heartbeats.elapsedMs()) / 1000.0;
    const double perSecond = seconds > 0 ? double(heartbeats.latenciesMs.size()) / seconds : 0;
    std::printf("devices registered:     %d\n", settings->devices);
    std::printf("heartbeats sent:        %d (%d failed) in %.2f s, %d in flight\n", heartbeats.completed(),
                heartbeats.failures, seconds, settings->concurrency);
    for (const auto& [status, count] : heartbeats.failureStatuses) {
        std::printf("  failed with status %d: %d\n", status, count);
    }
    std::printf("throughput:             %.0f requests/s\n", perSecond);
    std::printf("latency:                p50 %.2f ms, p99 %.2f ms\n",
                percentile(heartbeats.latenciesMs, 0.50), percentile(heartbeats.latenciesMs, 0.99));
    std::printf("devices carried:        %.0f at one heartbeat per device per 300 s (full load)\n",
                perSecond * 300);
    return heartbeats.failures == 0 ? 0 : 1;
}
