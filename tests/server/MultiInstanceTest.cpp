// Two molvena-server processes on one PostgreSQL database, as behind a load balancer: requests sent
// to both at the same moment must be judged as if one server had taken them one after the other.

#include "AbuseLimits.h"
#include "ServerHarness.h"

#include <QJsonDocument>
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

#include <memory>

using namespace molvena;
using test::ServerHarness;

namespace {

// Takes messages as a mail relay would and keeps the Message-ID of each.
class MailSink : public QObject {
public:
    MailSink() {
        m_server.listen(QHostAddress::LocalHost);
        connect(&m_server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* socket = m_server.nextPendingConnection()) {
                socket->setParent(this);
                socket->write("220 sink\r\n");
                connect(socket, &QTcpSocket::readyRead, this, [this, socket] { read(socket); });
            }
        });
    }
    quint16 port() const { return m_server.serverPort(); }
    QStringList messageIds;
    QList<QByteArray> messages;

private:
    void read(QTcpSocket* socket) {
        QByteArray& data = m_data[socket];
        while (socket->canReadLine()) {
            const QByteArray line = socket->readLine();
            if (m_inData.contains(socket)) {
                if (line == ".\r\n") {
                    m_inData.remove(socket);
                    static const QRegularExpression id(QStringLiteral("Message-ID: <([^@>]+)@"));
                    messageIds.append(id.match(QString::fromUtf8(data)).captured(1));
                    messages.append(std::exchange(data, {}));
                    socket->write("250 queued\r\n");
                } else {
                    data += line;
                }
            } else if (line.startsWith("DATA")) {
                m_inData.insert(socket);
                socket->write("354 go on\r\n");
            } else if (line.startsWith("QUIT")) {
                socket->write("221 bye\r\n");
                socket->disconnectFromHost();
            } else {
                socket->write("250 ok\r\n");
            }
        }
    }

    QTcpServer m_server;
    QHash<QTcpSocket*, QByteArray> m_data;
    QSet<QTcpSocket*> m_inData;
};

struct Answer {
    int status = 0;
    QJsonObject json;
    QString error() const { return json.value(QStringLiteral("error")).toString(); }
};

// What the waits below may take at most, so a hang fails instead of stalling CI.
constexpr int waitMilliseconds = 20'000;

bool waitFor(const std::function<bool()>& done) {
    QElapsedTimer timer;
    timer.start();
    while (!done() && timer.elapsed() < waitMilliseconds) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return done();
}

} // namespace

class MultiInstanceTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void bothStartTogetherOnAnEmptyDatabase();
    void oneCodeRegisteredOnBothAtOnceMakesOneAccount();
    void pinGuessesSplitAcrossBothStayWithinTheLimit();
    void recoveryStartedOnOneFinishesOnTheOther();
    void anInstanceWhoseConnectionWasKilledRecovers();
    void theMailOfBothIsDeliveredOnce();
    void cleanupTestCase();

private:
    struct Request {
        int instance;
        QString endpoint;
        ServerHarness::Fields fields;
        QString address; // the client address nginx would name
    };
    // Sends all at once (to the instance each names) and returns the answers in the same order.
    QList<Answer> sendTogether(const QList<Request>& requests);
    Answer send(const Request& request) { return sendTogether({request}).first(); }
    QList<QVariantList> rows(const QString& sql);

    QTemporaryDir m_folder;
    QString m_databaseUrl;
    MailSink m_mail;
    QNetworkAccessManager m_network;
    std::unique_ptr<QProcess> m_instances[2];
    QUrl m_apiBase[2];
    std::unique_ptr<server::Database> m_reader;
};

void MultiInstanceTest::initTestCase() {
    m_databaseUrl = ServerHarness::postgresqlUrl();
    if (m_databaseUrl.isEmpty()) {
        QSKIP("needs PostgreSQL: ctest runs it on a throwaway cluster (scripts/postgresql-cluster.sh)");
    }
    QFile key(m_folder.filePath(QStringLiteral("recovery.key")));
    QVERIFY(key.open(QIODevice::WriteOnly) && key.write(QUuid::createUuid().toRfc4122().repeated(2)) == 32);
    key.close();
    // An empty database: whatever an earlier run left goes.
    server::ServerOptions options;
    options.databaseUrl = m_databaseUrl;
    options.dataFolder = m_folder.path();
    server::Database(options).execute(QStringLiteral("DROP SCHEMA public CASCADE; CREATE SCHEMA public"));
}

// Rule: instances started at the same moment on an empty database both come up; one creates the
// tables, the other finds them.
void MultiInstanceTest::bothStartTogetherOnAnEmptyDatabase() {
    for (int i = 0; i < 2; ++i) {
        m_instances[i] = std::make_unique<QProcess>();
        m_instances[i]->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        QStringList arguments{
            QStringLiteral("--port"),        QStringLiteral("0"),
            QStringLiteral("--data"),        m_folder.filePath(QStringLiteral("instance%1").arg(i)),
            QStringLiteral("--database"),    m_databaseUrl,
            QStringLiteral("--secret-file"), m_folder.filePath(QStringLiteral("recovery.key")),
            QStringLiteral("--smtp-relay"),  QStringLiteral("127.0.0.1:%1").arg(m_mail.port())};
        // The second believes X-Real-IP as from a front end on another machine.
        arguments << (i == 0 ? QStringList{QStringLiteral("--behind-proxy")}
                             : QStringList{QStringLiteral("--trusted-proxy"), QStringLiteral("127.0.0.1")});
        m_instances[i]->start(QStringLiteral(MOLVENA_SERVER_EXECUTABLE), arguments);
    }
    static const QRegularExpression listening(QStringLiteral("listening on (\\S+)"));
    QByteArray output[2];
    QVERIFY2(waitFor([&] {
                 for (int i = 0; i < 2; ++i) {
                     output[i] += m_instances[i]->readAllStandardOutput();
                     const auto match = listening.match(QString::fromUtf8(output[i]));
                     if (match.hasMatch()) {
                         m_apiBase[i] = QUrl(match.captured(1));
                     }
                 }
                 return !m_apiBase[0].isEmpty() && !m_apiBase[1].isEmpty();
             }),
             "both instances must start");
    m_reader = std::make_unique<server::Database>([&] {
        server::ServerOptions options;
        options.databaseUrl = m_databaseUrl;
        options.dataFolder = m_folder.path();
        return options;
    }());
}

// Rule: a pairing code makes one account, however many instances register it at once; every other
// registration gets the friendly "already in use", never a server error.
void MultiInstanceTest::oneCodeRegisteredOnBothAtOnceMakesOneAccount() {
    QList<Request> registrations;
    for (int i = 0; i < 8; ++i) {
        registrations.append({i % 2,
                              QStringLiteral("pairing.php"),
                              {{"action", "register"},
                               {"device_token", "mac-" + QUuid::createUuid().toString(QUuid::WithoutBraces)},
                               {"pairing_code", "555111"},
                               {"name", "Anna"},
                               {"master_pin", "1234"},
                               {"email", QStringLiteral("anna%1@example.dk").arg(i)}},
                              QStringLiteral("192.0.2.%1").arg(i + 1)});
    }
    int accounts = 0;
    for (const Answer& answer : sendTogether(registrations)) {
        QCOMPARE(answer.status, 200);
        if (answer.json.value(QStringLiteral("success")) == true) {
            ++accounts;
        } else {
            QVERIFY2(answer.error().startsWith(QStringLiteral("Parringskoden er allerede i brug")),
                     qPrintable(answer.error()));
        }
    }
    QCOMPARE(accounts, 1);
    QCOMPARE(rows(QStringLiteral("SELECT COUNT(*) FROM players WHERE pairing_code = '555111'"))
                 .first()
                 .first()
                 .toInt(),
             1);
}

// Rule: an account's PIN is judged at most wrongPinsPerAccount times in its window, however the
// guesses are spread over instances; then even the right PIN waits.
void MultiInstanceTest::pinGuessesSplitAcrossBothStayWithinTheLimit() {
    const QString device = "mac-" + QUuid::createUuid().toString(QUuid::WithoutBraces);
    QCOMPARE(send({0,
                   QStringLiteral("pairing.php"),
                   {{"action", "register"},
                    {"device_token", device},
                    {"pairing_code", "777222"},
                    {"name", "Bo"},
                    {"master_pin", "2468"},
                    {"email", "bo@example.dk"}},
                   QStringLiteral("198.51.100.1")})
                 .json.value(QStringLiteral("success")),
             true);
    QList<Request> guesses;
    for (int i = 0; i < 12; ++i) {
        guesses.append(
            {i % 2,
             QStringLiteral("mac_account.php"),
             {{"action", "update_pin"}, {"device_token", device}, {"old_pin", "1111"}, {"new_pin", "9999"}},
             QStringLiteral("198.51.100.%1").arg(i + 2)});
    }
    int judged = 0;
    int refused = 0;
    for (const Answer& answer : sendTogether(guesses)) {
        judged += answer.status == 403;
        refused += answer.status == 429;
    }
    QCOMPARE(judged, server::limits::wrongPinsPerAccount.count);
    QCOMPARE(refused, 12 - judged);
    QCOMPARE(
        send({1,
              QStringLiteral("mac_account.php"),
              {{"action", "update_pin"}, {"device_token", device}, {"old_pin", "2468"}, {"new_pin", "9999"}},
              QStringLiteral("198.51.100.99")})
            .status,
        429);
}

// Rule: a recovery code one instance issued is accepted by the other (all share one key), from the
// client address that asked for it, as each instance's front end names it.
void MultiInstanceTest::recoveryStartedOnOneFinishesOnTheOther() {
    QVERIFY(send({1,
                  QStringLiteral("pairing.php"),
                  {{"action", "register"},
                   {"device_token", "mac-" + QUuid::createUuid().toString(QUuid::WithoutBraces)},
                   {"pairing_code", "333444"},
                   {"name", "Carl"},
                   {"master_pin", "1357"},
                   {"email", "carl@example.dk"}},
                  QStringLiteral("203.0.113.1")})
                .json.value(QStringLiteral("success")) == true);
    // Carl confirms his address (recovery reaches only confirmed ones), on the other instance.
    static const QRegularExpression confirmation(QStringLiteral("token=([0-9a-f]{48})"));
    QVERIFY(waitFor(
        [&] { return !m_mail.messages.isEmpty() && m_mail.messages.last().contains("confirm_email"); }));
    const QString token = confirmation.match(QString::fromUtf8(m_mail.messages.last())).captured(1);
    QCOMPARE(send({0, QStringLiteral("confirm_email.php"), {{"token", token}}, QStringLiteral("203.0.113.1")})
                 .status,
             200);
    const QString from = QStringLiteral("203.0.113.50");
    const qsizetype before = m_mail.messageIds.size();
    QCOMPARE(send({0,
                   QStringLiteral("recovery_request.php"),
                   {{"email", "carl@example.dk"}, {"role", "player"}},
                   from})
                 .status,
             200);
    QVERIFY2(waitFor([&] { return m_mail.messageIds.size() > before; }), "the code must reach the relay");
    static const QRegularExpression sixDigits(QStringLiteral("\\r\\n\\s+(\\d{6})\\r\\n"));
    const QString code = sixDigits.match(QString::fromUtf8(m_mail.messages.last())).captured(1);
    QCOMPARE(code.size(), 6);
    const Answer verified =
        send({1,
              QStringLiteral("mac_recovery_verify.php"),
              {{"email", "carl@example.dk"},
               {"role", "player"},
               {"code", code},
               {"device_token", "mac-" + QUuid::createUuid().toString(QUuid::WithoutBraces)}},
              from});
    QCOMPARE(verified.json.value(QStringLiteral("success")), true);
    QCOMPARE(verified.json.value(QStringLiteral("name")).toString(), QStringLiteral("Carl"));
}

// Rule: an instance whose database connection was cut answers the next request normally.
void MultiInstanceTest::anInstanceWhoseConnectionWasKilledRecovers() {
    const QList<QVariantList> killed = rows(QStringLiteral(
        "SELECT pg_terminate_backend(pid) FROM pg_stat_activity WHERE datname = current_database() AND "
        "pid <> pg_backend_pid() AND backend_type = 'client backend'"));
    QCOMPARE(killed.size(), 2);
    for (int instance = 0; instance < 2; ++instance) {
        const Answer answer = send({instance,
                                    QStringLiteral("pairing.php"),
                                    {{"action", "link"},
                                     {"code", "555111"},
                                     {"email", QStringLiteral("rel%1@example.dk").arg(instance)}},
                                    QStringLiteral("192.0.2.%1").arg(100 + instance)});
        QCOMPARE(answer.status, 200);
        QCOMPARE(answer.json.value(QStringLiteral("success")), true);
    }
}

// Rule: every message either instance wrote reaches the relay exactly once (here: the recovery
// code from one, a confirmation mail from each).
void MultiInstanceTest::theMailOfBothIsDeliveredOnce() {
    QStringList written;
    for (const QVariantList& row : rows(QStringLiteral("SELECT file_name FROM outbox ORDER BY id"))) {
        written.append(QFileInfo(row.first().toString()).completeBaseName());
    }
    QVERIFY(written.size() >= 3);
    QVERIFY2(waitFor([&] { return m_mail.messageIds.size() >= written.size(); }),
             "every message must arrive");
    QStringList received = m_mail.messageIds;
    received.sort();
    written.sort();
    QCOMPARE(received, written);
}

void MultiInstanceTest::cleanupTestCase() {
    m_reader.reset();
    for (auto& instance : m_instances) {
        if (instance) {
            instance->terminate();
            if (!instance->waitForFinished(5000)) {
                instance->kill();
                instance->waitForFinished(2000);
            }
        }
    }
}

QList<Answer> MultiInstanceTest::sendTogether(const QList<Request>& requests) {
    QList<QNetworkReply*> replies;
    for (const Request& request : requests) {
        QNetworkRequest http(m_apiBase[request.instance].resolved(QUrl(request.endpoint)));
        http.setHeader(QNetworkRequest::ContentTypeHeader,
                       QByteArrayLiteral("application/x-www-form-urlencoded"));
        http.setRawHeader("X-Real-IP", request.address.toLatin1());
        http.setTransferTimeout(waitMilliseconds);
        replies.append(m_network.post(http, ServerHarness::encode(request.fields)));
    }
    waitFor([&] {
        return std::all_of(replies.cbegin(), replies.cend(),
                           [](QNetworkReply* r) { return r->isFinished(); });
    });
    QList<Answer> answers;
    for (QNetworkReply* reply : replies) {
        answers.append({reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt(),
                        QJsonDocument::fromJson(reply->readAll()).object()});
        reply->deleteLater();
    }
    return answers;
}

QList<QVariantList> MultiInstanceTest::rows(const QString& sql) {
    QSqlQuery query = m_reader->run(sql);
    QList<QVariantList> result;
    while (query.next()) {
        result.append({query.value(0)});
    }
    return result;
}

QTEST_GUILESS_MAIN(MultiInstanceTest)
#include "MultiInstanceTest.moc"
