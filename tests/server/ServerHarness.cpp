#include "ServerHarness.h"

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QJsonDocument>
#include <QNetworkReply>
#include <QRegularExpression>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTcpSocket>
#include <QTimer>
#include <QUuid>
#include <QtTest/QtTest>

#include <cstdio>
#include <cstdlib>

namespace molvena::test {

QString ServerHarness::postgresqlUrl() {
    if (qEnvironmentVariableIsSet("MOLVENA_TEST_POSTGRESQL")) {
        return qEnvironmentVariable("MOLVENA_TEST_POSTGRESQL");
    }
    if (!qEnvironmentVariableIsSet("MOLVENA_TEST_POSTGRESQL_CLUSTER")) {
        return {};
    }
    // Set but empty is a PostgreSQL run that lost its cluster's path: failing beats a quiet SQLite run.
    const QString cluster = qEnvironmentVariable("MOLVENA_TEST_POSTGRESQL_CLUSTER");
    if (cluster.isEmpty()) {
        qFatal("MOLVENA_TEST_POSTGRESQL_CLUSTER is empty");
    }
    QFile url(QDir(cluster).filePath(QStringLiteral("url")));
    if (!url.open(QIODevice::ReadOnly)) {
        QFile missing(QDir(cluster).filePath(QStringLiteral("missing")));
        const QByteArray why = missing.open(QIODevice::ReadOnly)
                                   ? missing.readAll().trimmed()
                                   : QByteArrayLiteral("no cluster was started");
        std::fprintf(stdout, "SKIP: PostgreSQL: %s\n", why.constData());
        std::exit(77); // ctest's SKIP_RETURN_CODE for these runs
    }
    // A database of this suite's own, so that suites run side by side.
    const QString base = QString::fromUtf8(url.readAll().trimmed());
    const QString name =
        QCoreApplication::applicationName().toLower().replace(QLatin1Char('-'), QLatin1Char('_'));
    {
        server::ServerOptions admin;
        admin.databaseUrl = base + QStringLiteral("postgres");
        admin.dataFolder = QDir::tempPath();
        server::Database postgres(admin);
        if (postgres.value(QStringLiteral("SELECT COUNT(*) FROM pg_database WHERE datname = ?"), {name})
                .toInt() == 0) {
            postgres.execute(QStringLiteral("CREATE DATABASE %1").arg(name));
        }
    }
    return base + name;
}

ServerHarness::ServerHarness(const std::function<void(server::ServerOptions&)>& adjust)
    : now(QDateTime(QDate(2026, 3, 10), QTime(12, 0), Qt::UTC)) {
    server::ServerOptions options;
    options.dataFolder = m_folder.filePath(QStringLiteral("data"));
    options.databaseUrl = postgresqlUrl();
    options.clock = [this] { return now; };
    if (!options.databaseUrl.isEmpty()) {
        // Instances on PostgreSQL are given their key; here every run makes a new one.
        options.secretFile = m_folder.filePath(QStringLiteral("recovery.key"));
        QFile key(options.secretFile);
        if (!key.open(QIODevice::WriteOnly) || key.write(QUuid::createUuid().toRfc4122().repeated(2)) != 32) {
            qFatal("cannot write %s", qPrintable(options.secretFile));
        }
    }
    if (adjust) {
        adjust(options);
    }
    if (!options.databaseUrl.isEmpty()) {
        server::Database fresh(options);
        fresh.execute(QStringLiteral("DROP SCHEMA public CASCADE"));
        fresh.execute(QStringLiteral("CREATE SCHEMA public"));
    }
    m_server = std::make_unique<server::MolvenaServer>(options);
    m_server->start();
    m_reader = std::make_unique<server::Database>(options);
}

ServerHarness::~ServerHarness() {
    m_reader.reset();
    m_server.reset();
}

ServerHarness::Reply ServerHarness::send(const QByteArray& method, const QString& target,
                                         const QByteArray& body, const QByteArray& contentType,
                                         const Headers& headers) {
    // A path from the root resolves against the API's base as well.
    QNetworkRequest request(m_server->apiBase().resolved(QUrl(target, QUrl::StrictMode)));
    if (!body.isEmpty() || method == "POST") {
        request.setHeader(QNetworkRequest::ContentTypeHeader, contentType);
    }
    for (const auto& [name, value] : headers) {
        request.setRawHeader(name, value);
    }
    request.setTransferTimeout(5000);
    if (!headers.isEmpty()) {
        request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
        request.setAttribute(QNetworkRequest::CookieLoadControlAttribute, QNetworkRequest::Manual);
        request.setAttribute(QNetworkRequest::CookieSaveControlAttribute, QNetworkRequest::Manual);
    }
    QNetworkReply* reply = m_network.sendCustomRequest(request, method, body);
    QEventLoop loop;
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    loop.exec();
    return read(*reply);
}

ServerHarness::Reply ServerHarness::read(QNetworkReply& reply) {
    Reply result;
    result.status = reply.attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    result.body = reply.readAll();
    result.json = QJsonDocument::fromJson(result.body).object();
    for (const auto& [name, value] : reply.rawHeaderPairs()) {
        result.headers.insert(name.toLower(), value);
    }
    reply.deleteLater();
    return result;
}

QByteArray ServerHarness::encode(const Fields& fields) {
    QByteArray body;
    for (const auto& [name, value] : fields) {
        if (!body.isEmpty()) {
            body += '&';
        }
        body += QUrl::toPercentEncoding(name) + '=' + QUrl::toPercentEncoding(value);
    }
    return body;
}

ServerHarness::Reply ServerHarness::browse(const QByteArray& method, const QString& target,
                                           const Headers& headers, const QByteArray& body) {
    // An empty header list would mean "not a browser" to send(); a browser always names its user agent.
    Headers all = headers;
    all.append({QByteArrayLiteral("User-Agent"), QByteArrayLiteral("Mozilla/5.0")});
    return send(method, target, body, "application/x-www-form-urlencoded", all);
}

std::unique_ptr<QTcpSocket> ServerHarness::connection() {
    auto socket = std::make_unique<QTcpSocket>();
    socket->connectToHost(QHostAddress::LocalHost, m_server->port());
    socket->waitForConnected(2000);
    return socket;
}

QByteArray ServerHarness::raw(const QByteArrayList& requests, int pauseMilliseconds) {
    const auto connected = connection();
    QTcpSocket& socket = *connected;
    if (socket.state() != QAbstractSocket::ConnectedState) {
        return {};
    }
    QByteArray received;
    QObject::connect(&socket, &QTcpSocket::readyRead, &socket, [&] { received += socket.readAll(); });
    for (qsizetype i = 0; i < requests.size(); ++i) {
        if (i > 0) {
            QTest::qWait(pauseMilliseconds);
        }
        const qsizetype start = received.size();
        socket.write(requests[i]);
        (void)QTest::qWaitFor(
            [&] {
                return complete(received.mid(start)) || socket.state() != QAbstractSocket::ConnectedState;
            },
            1500);
    }
    return received;
}

bool ServerHarness::complete(const QByteArray& reply) {
    const qsizetype headerEnd = reply.indexOf("\r\n\r\n");
    static const QRegularExpression length(QStringLiteral("(?i)content-length:\\s*(\\d+)"));
    const auto match = length.match(QString::fromLatin1(reply.left(headerEnd)));
    return headerEnd >= 0 && match.hasMatch() &&
           reply.size() >= headerEnd + 4 + match.captured(1).toLongLong();
}

QList<QVariantList> ServerHarness::rows(const QString& sql) {
    QSqlQuery query = m_reader->run(sql);
    QList<QVariantList> result;
    while (query.next()) {
        QVariantList row;
        for (int column = 0; column < query.record().count(); ++column) {
            row.append(query.value(column));
        }
        result.append(row);
    }
    return result;
}

QString ServerHarness::snapshot() {
    const QString tables =
        m_reader->kind() == server::Database::Kind::sqlite
            ? QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'table' AND name NOT "
                             "LIKE 'sqlite_%' ORDER BY name")
            : QStringLiteral("SELECT table_name FROM information_schema.tables WHERE "
                             "table_schema = 'public' ORDER BY table_name");
    QString text;
    for (const QVariantList& table : rows(tables)) {
        text += QStringLiteral("== %1\n").arg(table.first().toString());
        for (const QVariantList& row :
             rows(QStringLiteral("SELECT * FROM %1 ORDER BY 1").arg(table.first().toString()))) {
            for (const QVariant& value : row) {
                text += value.toString() + QLatin1Char('|');
            }
            text += QLatin1Char('\n');
        }
    }
    return text;
}

QString ServerHarness::outboxMessage(const QString& fileName) const {
    m_server->waitForOutbox();
    QFile file(QDir(m_server->outboxFolder()).filePath(fileName));
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

int ServerHarness::confirmLinks(const QString& kind) {
    static const QRegularExpression link(QStringLiteral("(http\\S*confirm_\\w+\\.php\\?token=[0-9a-f]+)"));
    int accepted = 0;
    for (const QVariantList& row :
         rows(QStringLiteral("SELECT file_name FROM outbox WHERE kind = '%1' ORDER BY id").arg(kind))) {
        const QUrl url(link.match(outboxMessage(row.first().toString())).captured(1));
        if (url.isEmpty() || m_followedLinks.contains(url.toString())) {
            continue;
        }
        m_followedLinks.append(url.toString());
        // As a person does: the link opens a page, and its button posts the token.
        const QString path = QStringLiteral("/api/") + url.fileName();
        accepted += get(path + QLatin1Char('?') + url.query()).status == 200 &&
                    send("POST", path, url.query().toUtf8()).status == 200;
    }
    return accepted;
}

QString ServerHarness::newestMail(const QString& kind, const QString& recipient) {
    const QList<QVariantList> newest = rows(
        QStringLiteral("SELECT file_name FROM outbox WHERE kind = '%1' AND ('%2' = '' OR lower(recipient) "
                       "= '%2') ORDER BY id DESC LIMIT 1")
            .arg(kind, recipient.toLower()));
    return newest.isEmpty() ? QString() : outboxMessage(newest.first().first().toString());
}

QString ServerHarness::latestRecoveryCode(const QString& email) {
    static const QRegularExpression code(QStringLiteral("^\\s+(\\d{6})\\s*$"),
                                         QRegularExpression::MultilineOption);
    return code.match(newestMail(QStringLiteral("recovery_code"), email)).captured(1);
}

QString ServerHarness::newDeviceToken() {
    return QStringLiteral("mac-") + QUuid::createUuid().toString(QUuid::WithoutBraces);
}

ServerHarness::Fields ServerHarness::registration(const QString& deviceToken, const QString& pairingCode,
                                                  const QString& email, const QString& pin,
                                                  const QString& name) {
    return {{"action", "register"}, {"device_token", deviceToken}, {"pairing_code", pairingCode},
            {"name", name},         {"master_pin", pin},           {"email", email}};
}

ServerHarness::Fields ServerHarness::healthyHeartbeat(const QString& deviceToken) {
    // clang-format off
    return {{"device_token", deviceToken}, {"active", "1"}, {"filter_active", "0"}, {"launch_at_login", "1"},
            {"dns_active", "1"}, {"vpn_active", "0"}, {"heartbeat", "1"}, {"source", "heartbeat"}, {"platform", "macos"}};
    // clang-format on
}

ServerHarness::Fields ServerHarness::recoveryVerification(const QString& email, const QString& code,
                                                          const QString& deviceToken) {
    // clang-format off
    return {{"email", email}, {"role", "player"}, {"code", code}, {"device_token", deviceToken}, {"device_name", "Mac"}};
    // clang-format on
}

ServerHarness::Reply ServerHarness::recoverPlayer(const QString& email, const QString& deviceToken,
                                                  const QString& from) {
    post(QStringLiteral("recovery_request.php"), {{"email", email}, {"role", "player"}}, from);
    return post(QStringLiteral("mac_recovery_verify.php"),
                recoveryVerification(email, latestRecoveryCode(email), deviceToken), from);
}

QString ServerHarness::linkRelative(const QString& pairingCode, const QString& email) {
    return post(QStringLiteral("pairing.php"), {{"action", "link"}, {"code", pairingCode}, {"email", email}})
        .json.value(QStringLiteral("pairing_token"))
        .toString();
}

ServerHarness::Player ServerHarness::registerPlayer(const QString& name, const QString& email,
                                                    const QString& pairingCode, const QString& pin) {
    Player player{newDeviceToken(), pairingCode, pin, email};
    Fields fields = registration(player.deviceToken, pairingCode, email, pin, name);
    fields.append({QStringLiteral("country"), QStringLiteral("DK")});
    if (const Reply reply = post(QStringLiteral("pairing.php"), fields); !reply.succeeded()) {
        qWarning() << "registration failed:" << reply.status << reply.body;
    }
    // The owner confirms the address, as the app's users do from their mail.
    confirmLinks(QStringLiteral("player_confirmation"));
    return player;
}

} // namespace molvena::test
