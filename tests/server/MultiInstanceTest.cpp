// Two molvena-server processes on one PostgreSQL database, as behind a load balancer: requests sent
// to both at the same moment must be judged as if one server had taken them one after the other.

#include "AbuseLimits.h"
#include "FixedDeviceInfo.h"
#include "ServerHarness.h"
#include "TaskTesting.h"
#include "backend/APIClient.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QProcess>
#include <QRegularExpression>
#include <QSqlQuery>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QUuid>
#include <QtTest/QtTest>

#include <functional>
#include <memory>
#include <optional>

#include <csignal>

using namespace molvena;
using molvena::APIClient;
using test::ServerHarness;

namespace {

// What the waits below may take at most, so a hang fails instead of stalling CI.
constexpr int waitMilliseconds = 20'000;
// Unlike QTest::qWaitFor, takes mail and replies the moment they arrive, as the cases expect.
bool waitFor(const std::function<bool()>& done) {
    QElapsedTimer timer;
    timer.start();
    while (!done() && timer.elapsed() < waitMilliseconds) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return done();
}

// Takes messages as a mail relay would and keeps the Message-ID of each.
class MailSink : public QObject {
public:
    MailSink() {
        m_server.listen(QHostAddress::LocalHost);
        m_port = m_server.serverPort();
        connect(&m_server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* socket = m_server.nextPendingConnection()) {
                socket->setParent(this);
                socket->write("220 sink\r\n");
                // The message on this connection, from its DATA to its closing dot.
                connect(
                    socket, &QTcpSocket::readyRead, this,
                    [this, socket, data = std::optional<QByteArray>()]() mutable { read(*socket, data); });
            }
        });
    }
    quint16 port() const { return m_port; }
    // A relay that is down refuses connections; up again, it listens on the same port.
    void setUp(bool up) {
        if (up) {
            QVERIFY(m_server.listen(QHostAddress::LocalHost, m_port));
        } else {
            m_server.close();
        }
    }
    QStringList messageIds;
    QList<QByteArray> messages;
    // The first capture of `pattern` in the messages from the `from`th on, once one has arrived.
    QString awaitMatch(const QRegularExpression& pattern, qsizetype from = 0) {
        QString found;
        waitFor([&] {
            for (qsizetype i = from; i < messages.size() && found.isEmpty(); ++i) {
                found = pattern.match(QString::fromUtf8(messages[i])).captured(1);
            }
            return !found.isEmpty();
        });
        return found;
    }

private:
    void read(QTcpSocket& socket, std::optional<QByteArray>& data) {
        while (socket.canReadLine()) {
            const QByteArray line = socket.readLine();
            if (data && line != ".\r\n") {
                *data += line;
            } else if (data) {
                static const QRegularExpression id(QStringLiteral("Message-ID: <([^@>]+)@"));
                messageIds.append(id.match(QString::fromUtf8(*data)).captured(1));
                messages.append(*std::exchange(data, std::nullopt));
                socket.write("250 queued\r\n");
            } else if (line.startsWith("DATA")) {
                data.emplace();
                socket.write("354 go on\r\n");
            } else if (line.startsWith("QUIT")) {
                socket.write("221 bye\r\n");
                socket.disconnectFromHost();
            } else {
                socket.write("250 ok\r\n");
            }
        }
    }

    QTcpServer m_server;
    quint16 m_port = 0;
};

using Answer = ServerHarness::Reply;
} // namespace

class MultiInstanceTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void oneCodeRegisteredOnBothAtOnceMakesOneAccount();
    void pinGuessesSplitAcrossBothStayWithinTheLimit();
    void recoveryStartedOnOneFinishesOnTheOther();
    void anInstanceWhoseConnectionWasKilledRecovers();
    void theMailOfBothIsDeliveredOnce();
    void alertsOutliveADownRelayAndAKilledInstance();
    void aRepeatedRequestChangesOnceAndGetsTheSameAnswer();
    void aFrozenInstanceHoldsUpNoOther();
    void cleanupTestCase();

private:
    struct Request {
        int instance;
        QString endpoint;
        ServerHarness::Fields fields;
        QString address = QStringLiteral("192.0.2.200"); // the client address nginx would name
    };
    QNetworkReply* post(const Request& request, const QByteArray& idempotencyKey = {});
    // Sends all at once (to the instance each names) and returns the answers in the same order.
    QList<Answer> sendTogether(const QList<Request>& requests, const QByteArray& idempotencyKey = {});
    Answer send(const Request& request) { return sendTogether({request}).first(); }
    // The Message-IDs of the outbox's mails `where`.
    QStringList written(const QString& where);
    void start(int instance);
    bool waitUntilListening();
    qint64 count(const QString& sql) { return m_reader->value(sql).toLongLong(); }
    QString deviceOf(const QString& pairingCode) {
        return m_reader
            ->value(
                QStringLiteral("SELECT d.device_token FROM devices d JOIN players p ON p.id = d.player_id "
                               "WHERE p.pairing_code = ?"),
                {pairingCode})
            .toString();
    }

    QTemporaryDir m_folder;
    QString m_databaseUrl;
    MailSink m_mail;
    QNetworkAccessManager m_network;
    std::unique_ptr<QProcess> m_instances[2];
    QUrl m_apiBase[2];
    quint16 m_metricsPort[2] = {};
    // What one of the instance's own listeners (API or metrics port) answers a GET of `path` with.
    Answer get(quint16 port, const QString& path) {
        QNetworkReply* reply =
            m_network.get(QNetworkRequest(QUrl(QStringLiteral("http://127.0.0.1:%1%2").arg(port).arg(path))));
        waitFor([reply] { return reply->isFinished(); });
        return ServerHarness::read(*reply);
    }
    std::unique_ptr<server::Database> m_reader;
};

// Rule: instances started at the same moment on an empty database both come up; one creates the
// tables, the other finds them.
void MultiInstanceTest::initTestCase() {
    m_databaseUrl = ServerHarness::postgresqlUrl();
    if (m_databaseUrl.isEmpty()) {
        QSKIP("needs PostgreSQL: ctest runs it on a throwaway cluster (scripts/postgresql-cluster.sh)");
    }
    QFile key(m_folder.filePath(QStringLiteral("recovery.key")));
    QVERIFY(key.open(QIODevice::WriteOnly) && key.write(QUuid::createUuid().toRfc4122().repeated(2)) == 32);
    key.close();
    server::ServerOptions options;
    options.databaseUrl = m_databaseUrl;
    options.dataFolder = m_folder.path();
    m_reader = std::make_unique<server::Database>(options);
    // An empty database: whatever an earlier run left goes.
    m_reader->execute(QStringLiteral("DROP SCHEMA public CASCADE; CREATE SCHEMA public"));
    for (int i = 0; i < 2; ++i) {
        start(i);
    }
    QVERIFY2(waitUntilListening(), "both instances must start");
}

// Rule: a pairing code makes one account, however many instances register it at once; every other
// registration gets the friendly "already in use", never a server error.
void MultiInstanceTest::oneCodeRegisteredOnBothAtOnceMakesOneAccount() {
    QList<Request> registrations;
    for (int i = 0; i < 8; ++i) {
        registrations.append(
            {i % 2, QStringLiteral("pairing.php"),
             ServerHarness::registration(ServerHarness::newDeviceToken(), QStringLiteral("555111"),
                                         QStringLiteral("anna%1@example.dk").arg(i)),
             QStringLiteral("192.0.2.%1").arg(i + 1)});
    }
    int accounts = 0;
    for (const Answer& answer : sendTogether(registrations)) {
        accounts += answer.succeeded();
        QVERIFY2(answer.succeeded() || (answer.status == 200 && answer.error().startsWith(QStringLiteral(
                                                                    "Parringskoden er allerede i brug"))),
                 qPrintable(answer.error()));
    }
    QCOMPARE(accounts, 1);
    QCOMPARE(count(QStringLiteral("SELECT COUNT(*) FROM players WHERE pairing_code = '555111'")), 1);
}

// Rule: an account's PIN is judged at most wrongPinsPerAccount times in its window, however the
// guesses are spread over instances; then even the right PIN waits.
void MultiInstanceTest::pinGuessesSplitAcrossBothStayWithinTheLimit() {
    const QString device = ServerHarness::newDeviceToken();
    QVERIFY(send({0, QStringLiteral("pairing.php"),
                  ServerHarness::registration(device, QStringLiteral("777222"),
                                              QStringLiteral("bo@example.dk"), QStringLiteral("2468"))})
                .succeeded());
    const auto guess = [&](int i, const char* pin) {
        return Request{
            i % 2,
            QStringLiteral("mac_account.php"),
            {{"action", "update_pin"}, {"device_token", device}, {"old_pin", pin}, {"new_pin", "9999"}},
            QStringLiteral("198.51.100.%1").arg(i + 2)};
    };
    QList<Request> guesses;
    for (int i = 0; i < 12; ++i) {
        guesses.append(guess(i, "1111"));
    }
    int judged = 0;
    for (const Answer& answer : sendTogether(guesses)) {
        QVERIFY(answer.status == 403 || answer.status == 429);
        judged += answer.status == 403;
    }
    QCOMPARE(judged, server::limits::wrongPinsPerAccount.count);
    QCOMPARE(send(guess(13, "2468")).status, 429);
}

// Rule: a recovery code one instance issued is accepted by the other (all share one key), from the
// client address that asked for it, as each instance's front end names it.
void MultiInstanceTest::recoveryStartedOnOneFinishesOnTheOther() {
    QVERIFY(send({1, QStringLiteral("pairing.php"),
                  ServerHarness::registration(ServerHarness::newDeviceToken(), QStringLiteral("333444"),
                                              QStringLiteral("carl@example.dk"), QStringLiteral("1357"),
                                              QStringLiteral("Carl"))})
                .succeeded());
    // Carl confirms his address (recovery reaches only confirmed ones), on the other instance. Mail
    // goes out in the background, so an earlier account's may arrive after this one's.
    const QString token = m_mail.awaitMatch(QRegularExpression(
        QStringLiteral("To: carl@example\\.dk[\\s\\S]*confirm_email\\.php\\?token=([0-9a-f]{48})")));
    QCOMPARE(send({0, QStringLiteral("confirm_email.php"), {{"token", token}}}).status, 200);
    const QString from = QStringLiteral("203.0.113.50");
    const qsizetype before = m_mail.messageIds.size();
    QCOMPARE(send({0,
                   QStringLiteral("recovery_request.php"),
                   {{"email", "carl@example.dk"}, {"role", "player"}},
                   from})
                 .status,
             200);
    const QString code =
        m_mail.awaitMatch(QRegularExpression(QStringLiteral("\\r\\n\\s+(\\d{6})\\r\\n")), before);
    const Answer verified = send({1, QStringLiteral("mac_recovery_verify.php"),
                                  ServerHarness::recoveryVerification(QStringLiteral("carl@example.dk"), code,
                                                                      ServerHarness::newDeviceToken()),
                                  from});
    QVERIFY(verified.succeeded());
    QCOMPARE(verified.json.value(QStringLiteral("name")).toString(), QStringLiteral("Carl"));
}

// Rule: an instance whose database connection was cut answers the next request normally.
void MultiInstanceTest::anInstanceWhoseConnectionWasKilledRecovers() {
    QCOMPARE(count(QStringLiteral(
                 "SELECT COUNT(pg_terminate_backend(pid)) FROM pg_stat_activity WHERE datname = "
                 "current_database() AND pid <> pg_backend_pid() AND backend_type = 'client backend'")),
             2);
    for (int instance = 0; instance < 2; ++instance) {
        QVERIFY(send({instance,
                      QStringLiteral("pairing.php"),
                      {{"action", "link"},
                       {"code", "555111"},
                       {"email", QStringLiteral("rel%1@example.dk").arg(instance)}},
                      QStringLiteral("192.0.2.%1").arg(100 + instance)})
                    .succeeded());
    }
}

// Rule: every message either instance wrote reaches the relay exactly once.
void MultiInstanceTest::theMailOfBothIsDeliveredOnce() {
    QStringList ids = written(QStringLiteral("TRUE"));
    ids.sort();
    QVERIFY(ids.size() >= 3);
    QVERIFY2(waitFor([&] { return m_mail.messageIds.size() >= ids.size(); }), "every message must arrive");
    QStringList received = m_mail.messageIds;
    received.sort();
    QCOMPARE(received, ids);
}

// Rule: an alert's mail outlives a relay that is down and an instance killed while it waits: once
// the relay is back every mail arrives, a repeat only ever as the same message (same Message-ID).
void MultiInstanceTest::alertsOutliveADownRelayAndAKilledInstance() {
    // The relatives linked above confirm their addresses, so alerts mail them.
    static const QRegularExpression token(QStringLiteral("token=([0-9a-f]{48})"));
    for (const QByteArray& message : m_mail.messages) {
        if (const auto match = token.match(QString::fromUtf8(message)); match.hasMatch()) {
            send({1, QStringLiteral("confirm_relative.php"), {{"token", match.captured(1)}}});
        }
    }
    const QString device = deviceOf(QStringLiteral("555111"));
    QCOMPARE(count(QStringLiteral("SELECT COUNT(*) FROM relatives WHERE confirmed_at IS NOT NULL")), 2);
    const qsizetype before = m_mail.messageIds.size();
    m_mail.setUp(false);
    QList<Request> alerts;
    for (int i = 0; i < 8; ++i) {
        alerts.append({0,
                       QStringLiteral("send_notification.php"),
                       {{"device_token", device}, {"reason", "mac_protection_removed_externally"}}});
    }
    for (const Answer& answer : sendTogether(alerts)) {
        QCOMPARE(answer.status, 200);
    }
    // The worker has tried and failed at least once; then the instance dies as it waits to try again.
    QTest::qWait(1500);
    ::kill(pid_t(m_instances[0]->processId()), SIGKILL);
    QVERIFY(m_instances[0]->waitForFinished(5000));
    start(0);
    QVERIFY(waitUntilListening());
    QTest::qWait(2000);
    QCOMPARE(m_mail.messageIds.size(), before);
    m_mail.setUp(true);
    const QStringList ids = written(QStringLiteral("kind = 'alert'"));
    QCOMPARE(ids.size(), 16);
    QVERIFY2(waitFor([&] {
                 return std::all_of(ids.cbegin(), ids.cend(),
                                    [&](const QString& id) { return m_mail.messageIds.contains(id); });
             }),
             "every alert must reach the relay once it is back");
    // Repeats of earlier mail too (a delivery whose record the connection kill above cut off).
    const QStringList all = written(QStringLiteral("TRUE"));
    for (const QString& id : m_mail.messageIds.mid(before)) {
        QVERIFY2(all.contains(id), qPrintable(id));
    }
    QVERIFY(waitFor(
        [&] { return count(QStringLiteral("SELECT COUNT(*) FROM outbox WHERE state <> 'sent'")) == 0; }));
}

// Rule: a request sent again with its Idempotency-Key changes the database once and gets the first
// answer: Qt's own resend after a connection lost once the server had committed, and the same key at
// two instances at the same moment. The same key with another body is refused.
void MultiInstanceTest::aRepeatedRequestChangesOnceAndGetsTheSameAnswer() {
    const QString device = deviceOf(QStringLiteral("555111"));
    const QString events = QStringLiteral("SELECT COUNT(*) FROM events");
    qint64 expected = count(events);

    // Between the app and instance 0: the first connection is closed without the answer, as one lost
    // after the server committed; later connections pass.
    QTcpServer proxy;
    QVERIFY(proxy.listen(QHostAddress::LocalHost));
    int connections = 0;
    connect(&proxy, &QTcpServer::newConnection, this, [&] {
        while (QTcpSocket* app = proxy.nextPendingConnection()) {
            auto* upstream = new QTcpSocket(app);
            upstream->connectToHost(QHostAddress::LocalHost, m_apiBase[0].port());
            const bool drop = connections++ == 0;
            connect(app, &QTcpSocket::readyRead, upstream, [=] { upstream->write(app->readAll()); });
            connect(upstream, &QTcpSocket::readyRead, app, [=] {
                app->write(upstream->readAll());
                if (drop) {
                    app->abort(); // which discards the answer not yet written
                }
            });
        }
    });
    const QUrl base(QStringLiteral("http://127.0.0.1:%1/api/").arg(proxy.serverPort()));
    QNetworkAccessManager network;
    const test::FixedDeviceInfo mac;
    const APIClient client(base, base, network, std::chrono::seconds(10), mac);
    const auto sent =
        test::runTask(client.sendNotification(device, QStringLiteral("mac_protection_removed_externally")));
    QVERIFY(sent.finished && !sent.error);
    QCOMPARE(connections, 2); // the answer was lost and Qt sent the request again
    QCOMPARE(count(events), ++expected);

    const QByteArray key = QUuid::createUuid().toByteArray(QUuid::WithoutBraces);
    const auto alert = [&](int instance, const char* reason) {
        return Request{instance,
                       QStringLiteral("send_notification.php"),
                       {{"device_token", device}, {"reason", reason}}};
    };
    const QList<Answer> both = sendTogether(
        {alert(0, "mac_protection_removed_externally"), alert(1, "mac_protection_removed_externally")}, key);
    QCOMPARE(both[0].status, 200);
    QCOMPARE(both[0].body, both[1].body);
    QCOMPARE(count(events), ++expected);
    QCOMPARE(sendTogether({alert(1, "mac_vpn_detected")}, key).first().status, 422);
    QCOMPARE(count(events), expected);

    // An operator sees it all on the metrics port, which serves no API, as the API port no metrics.
    const QByteArray metrics = get(m_metricsPort[1], QStringLiteral("/metrics")).body;
    for (const char* line :
         {"molvena_requests_total{endpoint=\"/api/send_notification.php\",status=\"422\"} 1\n",
          "molvena_mails_failed_total 0\n", "molvena_database_up 1\n"}) {
        QVERIFY2(metrics.contains(line), line);
    }
    QVERIFY(!metrics.contains("molvena_limits_tripped_total 0\n"));
    // The alerts just sent leave the queue, as its gauge shows.
    QVERIFY(waitFor([&] {
        return get(m_metricsPort[1], QStringLiteral("/metrics")).body.contains("molvena_outbox_due 0\n");
    }));
    QCOMPARE(get(m_metricsPort[1], QStringLiteral("/health")).status, 200);
    QCOMPARE(get(m_apiBase[1].port(), QStringLiteral("/health")).status, 200);
    QCOMPARE(get(m_apiBase[1].port(), QStringLiteral("/metrics")).status, 404);
    QCOMPARE(get(m_metricsPort[1], QStringLiteral("/api/count.php")).status, 404);
}

// Rule: an instance stopped (SIGSTOP) inside a transaction holds up no other for long: the others
// answer within two seconds, even requests for the very row it holds.
void MultiInstanceTest::aFrozenInstanceHoldsUpNoOther() {
    const QString device = deviceOf(QStringLiteral("555111"));
    const Request heartbeat{0, QStringLiteral("mac_device_status.php"),
                            ServerHarness::healthyHeartbeat(device)};
    const Request busy{1, heartbeat.endpoint, heartbeat.fields};
    const auto pid = pid_t(m_instances[1]->processId());
    // Heartbeats of the same Mac keep instance 1 busy; it is stopped until it is caught in a transaction.
    QList<QNetworkReply*> pending;
    bool frozen = false;
    for (int attempt = 0; attempt < 150 && !frozen; ++attempt) {
        ::kill(pid, SIGCONT);
        for (int i = 0; i < 30; ++i) {
            pending.append(post(busy));
        }
        QTest::qWait(10 + attempt % 23);
        ::kill(pid, SIGSTOP);
        QTest::qWait(50);
        // Caught holding the Mac's status row or, once its report budget is spent, the budget's row.
        try {
            m_reader->run(
                QStringLiteral("SELECT 1 FROM device_status WHERE device_token = ? FOR UPDATE NOWAIT"),
                {device});
            m_reader->run(QStringLiteral("SELECT 1 FROM rate_buckets FOR UPDATE NOWAIT"));
        } catch (const server::DatabaseError&) {
            frozen = true;
        }
    }
    QVERIFY2(frozen, "instance 1 must be caught inside a transaction");
    QList<qint64> milliseconds;
    for (int i = 0; i < 20; ++i) {
        QElapsedTimer timer;
        timer.start();
        const Answer answer = send(heartbeat);
        milliseconds.append(timer.elapsed());
        // 429 once the Mac's hourly report budget is spent by the heartbeats above.
        QVERIFY2(answer.status == 200 || answer.status == 429 || answer.status == 503,
                 qPrintable(QString::number(answer.status)));
    }
    ::kill(pid, SIGCONT);
    QCOMPARE_LT(*std::max_element(milliseconds.cbegin(), milliseconds.cend()), 2000); // the slowest, in ms
    QVERIFY(waitFor([&] {
        return std::all_of(pending.cbegin(), pending.cend(), std::mem_fn(&QNetworkReply::isFinished));
    }));
    qDeleteAll(pending);
    // Once its session was ended, the frozen instance answers again.
    QVERIFY(waitFor([&] {
        const int status = send(busy).status;
        return status == 200 || status == 429;
    }));
}

void MultiInstanceTest::start(int i) {
    m_apiBase[i].clear();
    m_metricsPort[i] = 0;
    m_instances[i] = std::make_unique<QProcess>();
    m_instances[i]->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    // Seconds where a deployment waits minutes; the second trusts X-Real-IP from a front end.
    m_instances[i]->start(
        QStringLiteral(MOLVENA_SERVER_EXECUTABLE),
        QStringLiteral("--port 0 --mail-retry 1 --mail-claim 3 --database-timeouts 500,3000,2000 --metrics "
                       "127.0.0.1:0 --data %1 --database %2 --secret-file %3 --smtp-relay 127.0.0.1:%4 %5")
            .arg(m_folder.filePath(QStringLiteral("instance%1").arg(i)), m_databaseUrl,
                 m_folder.filePath(QStringLiteral("recovery.key")), QString::number(m_mail.port()),
                 i == 0 ? QStringLiteral("--behind-proxy") : QStringLiteral("--trusted-proxy 127.0.0.1"))
            .split(QLatin1Char(' ')));
}

bool MultiInstanceTest::waitUntilListening() {
    static const QRegularExpression ports(
        QStringLiteral("listening on (\\S+)\\s+molvena-server metrics on port (\\d+)"));
    QByteArray output[2];
    return waitFor([&] {
        for (int i = 0; i < 2; ++i) {
            output[i] += m_instances[i]->readAllStandardOutput();
            if (const auto match = ports.match(QString::fromUtf8(output[i])); match.hasMatch()) {
                m_apiBase[i] = QUrl(match.captured(1));
                m_metricsPort[i] = match.captured(2).toUShort();
            }
        }
        return m_metricsPort[0] != 0 && m_metricsPort[1] != 0;
    });
}

void MultiInstanceTest::cleanupTestCase() {
    m_reader.reset();
    for (auto& instance : m_instances) {
        if (instance && (instance->terminate(), !instance->waitForFinished(5000))) {
            instance->kill();
            instance->waitForFinished(2000);
        }
    }
}

QNetworkReply* MultiInstanceTest::post(const Request& request, const QByteArray& idempotencyKey) {
    QNetworkRequest http(m_apiBase[request.instance].resolved(QUrl(request.endpoint)));
    http.setHeader(QNetworkRequest::ContentTypeHeader,
                   QByteArrayLiteral("application/x-www-form-urlencoded"));
    http.setRawHeader("X-Real-IP", request.address.toLatin1());
    if (!idempotencyKey.isEmpty()) {
        http.setRawHeader("Idempotency-Key", idempotencyKey);
    }
    http.setTransferTimeout(waitMilliseconds);
    return m_network.post(http, ServerHarness::encode(request.fields));
}

QList<Answer> MultiInstanceTest::sendTogether(const QList<Request>& requests,
                                              const QByteArray& idempotencyKey) {
    QList<QNetworkReply*> replies;
    for (const Request& request : requests) {
        replies.append(post(request, idempotencyKey));
    }
    waitFor([&] {
        return std::all_of(replies.cbegin(), replies.cend(), std::mem_fn(&QNetworkReply::isFinished));
    });
    QList<Answer> answers;
    for (QNetworkReply* reply : replies) {
        answers.append(ServerHarness::read(*reply));
    }
    return answers;
}

QStringList MultiInstanceTest::written(const QString& where) {
    QSqlQuery query = m_reader->run(QStringLiteral("SELECT file_name FROM outbox WHERE ") + where);
    QStringList ids;
    while (query.next()) {
        ids.append(QFileInfo(query.value(0).toString()).completeBaseName());
    }
    return ids;
}

QTEST_GUILESS_MAIN(MultiInstanceTest)
#include "MultiInstanceTest.moc"
