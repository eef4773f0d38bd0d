// The deployment's front end: nginx with the checked-in configuration and a fresh self-signed
// certificate, in front of a reference server on loopback, attacked over TLS from several loopback
// addresses. Skips with a message when a tool is missing or the front end cannot start.
#include "AbuseLimits.h"
#include "ServerHarness.h"

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
    void answeredAtTheFrontEnd_data();
    void answeredAtTheFrontEnd();

private:
    QTemporaryDir m_data;
    QProcess m_frontEnd;
    quint16 m_port = 0;
};

void FrontEndTest::initTestCase() {
    for (const char* tool : {"nginx", "openssl", "curl"}) {
        if (QStandardPaths::findExecutable(QString::fromLatin1(tool), {"/usr/sbin", "/usr/bin"}).isEmpty()) {
            QSKIP("nginx, openssl or curl is not installed (scripts/install-dependencies.sh installs them)");
        }
    }
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost);
    m_port = probe.serverPort();
    probe.close();
    // The deployment's own start (deploy/local.sh): a fresh certificate, nginx with the checked-in
    // configuration and one molvena-server, all stopped when the shell's input closes.
    m_frontEnd.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_frontEnd.start(QStringLiteral("bash"),
                     {QStringLiteral("-c"),
                      QStringLiteral("source \"$1\"; trap stop_front_end EXIT; start_front_end \"$2\" \"$3\" "
                                     "\"$4\" 1; echo started; read -r _"),
                      QStringLiteral("front-end"), QStringLiteral(MOLVENA_SOURCE_DIR "/deploy/local.sh"),
                      QStringLiteral(MOLVENA_SERVER_EXECUTABLE), m_data.path(), QString::number(m_port)});
    m_frontEnd.waitForStarted();
    (void)QTest::qWaitFor([&] { return m_frontEnd.canReadLine() || m_frontEnd.state() != QProcess::Running; },
                          30000);
    if (!m_frontEnd.readLine().startsWith("started")) {
        QSKIP("the front end could not start (its error is above)");
    }
}

void FrontEndTest::cleanupTestCase() {
    m_frontEnd.closeWriteChannel();
    if (!m_frontEnd.waitForFinished(10000)) {
        m_frontEnd.kill();
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
