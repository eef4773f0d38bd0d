// The deployment's front end: nginx with the checked-in configuration and a fresh self-signed
// certificate, in front of a reference server on loopback, attacked over TLS from several loopback
// addresses. Skips with a message when nginx or openssl is missing or nginx cannot start.
#include "AbuseLimits.h"
#include "ServerHarness.h"

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QSslSocket>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QtTest/QtTest>

using namespace molvena;
using namespace molvena::test;
namespace limits = molvena::server::limits;

namespace {

// One request over TLS from the loopback address `from`; the reply as received until it is
// complete or the connection closes (bounded to five seconds).
QByteArray overTls(quint16 port, const QString& from, const QByteArray& request) {
    QSslSocket socket;
    socket.bind(QHostAddress(from));
    socket.setPeerVerifyMode(QSslSocket::VerifyNone);
    QByteArray received;
    QEventLoop loop;
    QTimer::singleShot(5000, &loop, &QEventLoop::quit);
    QObject::connect(&socket, &QSslSocket::encrypted, &loop, [&] { socket.write(request); });
    QObject::connect(&socket, &QSslSocket::readyRead, &loop, [&] {
        received += socket.readAll();
        if (ServerHarness::complete(received)) {
            loop.quit();
        }
    });
    QObject::connect(&socket, &QSslSocket::disconnected, &loop, &QEventLoop::quit);
    socket.connectToHostEncrypted(QStringLiteral("127.0.0.1"), port);
    loop.exec();
    return received;
}

QByteArray form(const QByteArray& path, const QByteArray& body, const QByteArray& extra = {}) {
    return "POST " + path +
           " HTTP/1.1\r\nHost: localhost\r\nContent-Type: application/x-www-form-urlencoded\r\n" + extra +
           "Content-Length: " + QByteArray::number(body.size()) + "\r\n\r\n" + body;
}

} // namespace

class FrontEndTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void appRequestsPassWithTheClientsAddress();
    void oneAddressWithThousandsOfSilentConnectionsStopsNobodyElse();
    void answeredAtTheFrontEnd_data();
    void answeredAtTheFrontEnd();

private:
    std::unique_ptr<ServerHarness> m_harness;
    QTemporaryDir m_runtime;
    QProcess m_nginx;
    quint16 m_port = 0;
};

void FrontEndTest::initTestCase() {
    const QString nginx = QStandardPaths::findExecutable(QStringLiteral("nginx"), {"/usr/sbin", "/usr/bin"});
    const QString openssl = QStandardPaths::findExecutable(QStringLiteral("openssl"));
    if (nginx.isEmpty() || openssl.isEmpty()) {
        QSKIP("nginx or openssl is not installed (scripts/install-dependencies.sh installs both)");
    }
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost);
    m_port = probe.serverPort();
    probe.close();
    // Links in mails lead to the front end, as in a deployment.
    m_harness = std::make_unique<ServerHarness>([this](server::ServerOptions& options) {
        options.behindProxy = true;
        options.publicUrl = QStringLiteral("https://127.0.0.1:%1/api/").arg(m_port);
    });
    const QString folder = m_runtime.path();
    // nginx's workers (another user) connect to the TLS part's socket in here.
    QFile::setPermissions(folder, QFile::permissions(folder) | QFile::ExeGroup | QFile::ExeOther);
    for (const char* temporary : {"body", "proxy", "fastcgi", "uwsgi", "scgi"}) {
        QDir(folder).mkpath(QString::fromLatin1(temporary));
    }
    QProcess certificate;
    certificate.start(openssl,
                      {"req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "1", "-subj",
                       "/CN=localhost", "-keyout", folder + "/tls.key", "-out", folder + "/tls.crt"});
    QVERIFY(certificate.waitForFinished(30000) && certificate.exitCode() == 0);

    QFile templateFile(QStringLiteral(MOLVENA_SOURCE_DIR "/deploy/nginx/molvena.conf.in"));
    QVERIFY(templateFile.open(QIODevice::ReadOnly));
    QString config = QString::fromUtf8(templateFile.readAll())
                         .replace(QStringLiteral("@WORKERS@"), QStringLiteral("1"))
                         .replace(QStringLiteral("@RUNTIME@"), folder)
                         .replace(QStringLiteral("@LISTEN@"), QStringLiteral("127.0.0.1:%1").arg(m_port))
                         .replace(QStringLiteral("@CERTIFICATE_KEY@"), folder + "/tls.key")
                         .replace(QStringLiteral("@CERTIFICATE@"), folder + "/tls.crt")
                         .replace(QStringLiteral("@UPSTREAM_SERVERS@"),
                                  QStringLiteral("server 127.0.0.1:%1;").arg(m_harness->server().port()));
    QFile configFile(folder + "/nginx.conf");
    QVERIFY(configFile.open(QIODevice::WriteOnly) && configFile.write(config.toUtf8()) > 0);
    configFile.close();

    m_nginx.setProcessChannelMode(QProcess::MergedChannels);
    m_nginx.start(nginx, {"-p", folder, "-c", folder + "/nginx.conf", "-g", "daemon off;"});
    m_nginx.waitForStarted(5000);
    (void)QTest::qWaitFor(
        [&] {
            return m_nginx.state() != QProcess::Running ||
                   overTls(m_port, QStringLiteral("127.0.0.1"),
                           "GET /api/count.php HTTP/1.1\r\nHost: x\r\n\r\n")
                       .startsWith("HTTP/1.1 200");
        },
        5000);
    if (m_nginx.state() != QProcess::Running) {
        QSKIP(qPrintable(QStringLiteral("nginx could not start: ") + QString::fromUtf8(m_nginx.readAll())));
    }
}

void FrontEndTest::cleanupTestCase() {
    if (m_nginx.state() == QProcess::Running) {
        m_nginx.terminate();
        m_nginx.waitForFinished(5000);
    }
}

void FrontEndTest::appRequestsPassWithTheClientsAddress() {
    // The server sees each client's own address, whatever X-Real-IP the client sends: one address
    // is limited, the next is not.
    const auto linkFrom = [&](const QString& address) {
        return overTls(m_port, address,
                       form("/api/pairing.php", "action=link&code=111111&email=x%40example.dk",
                            "X-Real-IP: 10.9.8.7\r\n"));
    };
    int answered = 0;
    for (int i = 0; i < 30; ++i) {
        answered += linkFrom(QStringLiteral("127.0.0.2")).startsWith("HTTP/1.1 200");
    }
    QVERIFY2(answered <= limits::codeProbes.address.count, qPrintable(QString::number(answered)));
    const QByteArray fresh = linkFrom(QStringLiteral("127.0.0.3"));
    QVERIFY2(fresh.startsWith("HTTP/1.1 200"), fresh.constData());
}

void FrontEndTest::oneAddressWithThousandsOfSilentConnectionsStopsNobodyElse() {
    // 5,000 connections from 127.0.0.7 that never finish a request (a hundred of them get as far
    // as TLS); meanwhile and afterwards 127.0.0.8's requests must all succeed, 99 % within a second.
    const auto latencies = [&](const char* when) {
        QList<qint64> times;
        QElapsedTimer timer;
        for (int i = 0; i < 100; ++i) {
            timer.start();
            const bool answered =
                overTls(m_port, QStringLiteral("127.0.0.8"), "GET /api/count.php HTTP/1.1\r\nHost: x\r\n\r\n")
                    .startsWith("HTTP/1.1 200");
            times.append(answered ? timer.elapsed() : 99999);
        }
        std::sort(times.begin(), times.end());
        qInfo("%s: p50 %lld ms, p99 %lld ms, slowest %lld ms", when, times[50], times[98], times.last());
        return times[98];
    };
    std::vector<std::unique_ptr<QTcpSocket>> flood;
    for (int i = 0; i < 5000; ++i) {
        auto socket = i < 100 ? std::make_unique<QSslSocket>() : std::make_unique<QTcpSocket>();
        socket->bind(QHostAddress(QStringLiteral("127.0.0.7")));
        if (auto* tls = qobject_cast<QSslSocket*>(socket.get())) {
            tls->setPeerVerifyMode(QSslSocket::VerifyNone);
            tls->connectToHostEncrypted(QStringLiteral("127.0.0.1"), m_port);
        } else {
            socket->connectToHost(QHostAddress::LocalHost, m_port);
        }
        flood.push_back(std::move(socket));
        if (i % 500 == 0) {
            QCoreApplication::processEvents();
        }
    }
    // Until every connection was taken or turned away (a full backlog retries a second later).
    (void)QTest::qWaitFor(
        [&] {
            return std::none_of(flood.cbegin(), flood.cend(), [](const auto& socket) {
                return socket->state() == QAbstractSocket::ConnectingState;
            });
        },
        4000);
    const auto open = std::count_if(flood.cbegin(), flood.cend(), [](const auto& socket) {
        return socket->state() == QAbstractSocket::ConnectedState;
    });
    qInfo("%lld of the flood's 5000 connections open", qlonglong(open));
    const qint64 during = latencies("during the flood");
    flood.clear();
    QTest::qWait(200);
    const qint64 after = latencies("after the flood");
    QVERIFY2(during < 1000 && after < 1000,
             qPrintable(QStringLiteral("p99 %1 ms / %2 ms").arg(during).arg(after)));
}

void FrontEndTest::answeredAtTheFrontEnd_data() {
    QTest::addColumn<QByteArray>("request");
    QTest::addColumn<QByteArray>("statusLine"); // empty: closed without a reply
    QTest::addColumn<QByteArrayList>("headers");
    const auto row = [](const char* name, const QByteArray& request, const QByteArray& status,
                        const QByteArrayList& headers = {}) {
        QTest::newRow(name) << request << (status.isEmpty() ? status : "HTTP/1.1 " + status) << headers;
    };
    const auto get = [](const QByteArray& path) { return "GET " + path + " HTTP/1.1\r\nHost: x\r\n\r\n"; };
    // Oversized and ambiguous requests stop here.
    const QByteArray post = "POST /api/count.php HTTP/1.1\r\nHost: x\r\n";
    row("length and chunked", post + "Content-Length: 5\r\nTransfer-Encoding: chunked\r\n\r\n0\r\n\r\n",
        "400");
    row("two lengths", post + "Content-Length: 1\r\nContent-Length: 2\r\n\r\nab", "400");
    row("header line of 9 KiB",
        "GET /api/count.php HTTP/1.1\r\nHost: x\r\nX-Pad: " + QByteArray(9 * 1024, 'a') + "\r\n\r\n", "400");
    row("body of 1 MiB", form("/api/pairing.php", QByteArray(1024 * 1024, 'a')), "413");
    row("chunked body", post + "Transfer-Encoding: chunked\r\n\r\n0\r\n\r\n", "411");
    row("HTTP/0.9", "GET /api/count.php\r\n", {}); // no status line to answer with
    row("path outside the API", get("/etc/passwd"), "404");
    // The web overview's answers, with the headers that keep its pages safe.
    const QByteArray hsts = "Strict-Transport-Security: max-age=31536000";
    const QByteArrayList page{hsts, "Content-Security-Policy: default-src 'none'; script-src 'self';",
                              "X-Content-Type-Options: nosniff", "Cache-Control: no-store",
                              "Referrer-Policy: no-referrer"};
    row("sign-in page", get("/oversigt/"), "200", page);
    row("stylesheet", get("/oversigt/oversigt.css"), "200", {hsts, "Content-Type: text/css"});
    row("without the slash", get("/oversigt"), "301", {hsts, "/oversigt/\r\n"});
    row("unknown page", get("/oversigt/findes-ikke"), "404", page);
}

void FrontEndTest::answeredAtTheFrontEnd() {
    QFETCH(QByteArray, request);
    QFETCH(QByteArray, statusLine);
    QFETCH(QByteArrayList, headers);
    const QByteArray answer = overTls(m_port, QStringLiteral("127.0.0.5"), request);
    QVERIFY2(statusLine.isEmpty() ? answer.isEmpty() : answer.startsWith(statusLine),
             answer.left(80).constData());
    for (const QByteArray& header : headers) {
        QVERIFY2(answer.left(answer.indexOf("\r\n\r\n") + 2).contains(header), answer.constData());
    }
}

QTEST_GUILESS_MAIN(FrontEndTest)
#include "FrontEndTest.moc"
