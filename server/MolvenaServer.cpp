#include "MolvenaServer.h"

#include "ApiReply.h"
#include "BlocklistImport.h"
#include "StartupError.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHttpServerResponder>
#include <QMetaEnum>
#include <QRandomGenerator>

#include <cstdio>

namespace molvena::server {

namespace {

// Creates the data folder before anything opens a file in it.
ServerOptions prepared(ServerOptions options) {
    if (options.dataFolder.isEmpty() || !QDir().mkpath(options.dataFolder)) {
        throw StartupError(QStringLiteral("cannot create the data folder ") + options.dataFolder);
    }
    if (!QFileInfo(options.dataFolder).isWritable()) {
        throw StartupError(QStringLiteral("the data folder is not writable: ") +
                           QFileInfo(options.dataFolder).absoluteFilePath());
    }
    if (options.secretFile.isEmpty()) {
        // Instances on one PostgreSQL each made their own key, and a code one issued was refused
        // by the next; so there the key is configuration every instance reads.
        if (!options.databaseUrl.isEmpty()) {
            throw StartupError(QStringLiteral("on PostgreSQL every instance needs the same key: "
                                              "--secret-file <file> (at least 16 random bytes, for "
                                              "example from: head -c 32 /dev/urandom > recovery.key)"));
        }
        options.secretFile = QDir(options.dataFolder).filePath(QStringLiteral("recovery.key"));
    }
    return options;
}

// The key of the recovery-code hashes, readable by the owner only. On SQLite it is made at the
// first start; instances sharing PostgreSQL must be given the same file.
QByteArray recoveryKey(const QString& path, bool mayCreate) {
    QFile file(path);
    if (!file.exists() && !mayCreate) {
        throw StartupError(QStringLiteral("the key file does not exist: ") + path);
    }
    if (file.exists()) {
        if (!file.open(QIODevice::ReadOnly)) {
            throw StartupError(QStringLiteral("cannot read the key file ") + path);
        }
        const QByteArray key = file.readAll();
        if (key.size() < 16) {
            throw StartupError(QStringLiteral("the key file is too short: ") + path);
        }
        return key;
    }
    QByteArray key(32, Qt::Uninitialized);
    QRandomGenerator::system()->generate(key.begin(), key.end());
    // Created with the owner-only mode, so the key is never readable by others, not even briefly.
    if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly,
                   QFileDevice::ReadOwner | QFileDevice::WriteOwner) ||
        file.write(key) != key.size() || !file.flush()) {
        throw StartupError(QStringLiteral("cannot write the key file ") + path);
    }
    return key;
}

} // namespace

MolvenaServer::MolvenaServer(ServerOptions options, QObject* parent)
    : QAbstractHttpServer(parent), m_options(prepared(std::move(options))),
      m_clock(m_options.clock, m_options.timeZone), m_database(m_options),
      m_secret(recoveryKey(m_options.secretFile, m_database.kind() == Database::Kind::sqlite)),
      m_outbox(
          m_database, m_clock, QDir(m_options.dataFolder).filePath(QStringLiteral("outbox")),
          m_options.mailRelayHost.isEmpty()
              ? std::nullopt
              : std::optional<MailRelay>(std::in_place, m_options.mailRelayHost, m_options.mailRelayPort),
          m_secret, m_options.outbox),
      m_keys(m_database, m_clock), m_limiter(m_database, m_clock), m_accounts(m_database, m_clock, m_limiter),
      m_webSessions(m_database, m_clock, m_options, m_outbox, m_secret),
      m_events(m_database, m_clock, m_accounts, m_webSessions),
      m_recoveryCodes(m_database, m_clock, m_limiter, m_secret), m_blocklist(m_database, m_clock),
      m_resolver(m_options.resolverConfigFile, m_options.resolverReloadCommand),
      m_context{m_options, m_clock,  m_database,      m_accounts,  m_limiter,
                m_events,  m_outbox, m_recoveryCodes, m_blocklist, m_webSessions},
      m_confirmation(m_context), m_pairing(m_context, m_confirmation), m_recovery(m_context),
      m_devices(m_context), m_account(m_context), m_web(m_context),
      m_router(m_options.behindProxy, m_options.trustedProxies, m_database, m_outbox, m_keys) {
    try {
        m_recoveryCodes.claimKey();
        m_blocklist.seed();
        if (const QString failure = configureResolver(); !failure.isEmpty()) {
            // The resolver may simply not run yet; it reads the file when it starts.
            std::fprintf(stderr, "molvena-server: %s\n", qPrintable(failure));
        }
    } catch (const DatabaseError& failure) {
        throw StartupError(QString::fromUtf8(failure.what()));
    }
    m_confirmation.addRoutes(m_router);
    m_pairing.addRoutes(m_router);
    m_recovery.addRoutes(m_router);
    m_devices.addRoutes(m_router);
    m_account.addRoutes(m_router);
    m_web.addRoutes(m_router);
    // For load balancers and orchestrators: ready while the database answers (a 503 otherwise).
    m_router.add(QStringLiteral("/health"), Router::Method::Get, [this](const ApiRequest&) {
        m_database.value(QStringLiteral("SELECT 1"));
        return ApiReply::success({});
    });
    // A lost connection is reopened here, between requests, which meanwhile get 503 at once.
    m_reconnect.setInterval(1000);
    connect(&m_reconnect, &QTimer::timeout, this, [this] {
        if (m_database.isLost() && m_database.reconnectIfLost()) {
            std::fprintf(stderr, "molvena-server: the database connection is back\n");
        }
    });
}

MolvenaServer::~MolvenaServer() = default;

QString MolvenaServer::configureResolver() {
    return m_resolver.apply(m_blocklist.domains());
}

QString MolvenaServer::importBlocklist(const QString& file) {
    QFile input(file);
    if (!input.open(QIODevice::ReadOnly)) {
        throw StartupError(QStringLiteral("cannot read %1: %2").arg(file, input.errorString()));
    }
    const BlocklistImport imported = BlocklistImport::parse(input.readAll());
    try {
        m_blocklist.replaceImported(imported.domains);
    } catch (const DatabaseError& failure) {
        throw StartupError(QString::fromUtf8(failure.what()));
    }
    QString report = imported.report();
    if (const QString failure = configureResolver(); !failure.isEmpty()) {
        report += QStringLiteral("resolver: ") + failure + QLatin1Char('\n');
    }
    return report;
}

quint16 MolvenaServer::start() {
    m_guard = new ConnectionGuard({.maximumConnections = m_options.maximumConnections,
                                   .requestMilliseconds = m_options.requestTimeoutMilliseconds,
                                   .idleMilliseconds = m_options.idleTimeoutMilliseconds},
                                  this);
    if (m_guard->listen(m_options.listenAddress, m_options.port)) {
        bind(m_guard);
        m_port = m_guard->serverPort();
    }
    if (m_port == 0) {
        throw StartupError(QStringLiteral("cannot listen on %1 port %2")
                               .arg(m_options.listenAddress.toString())
                               .arg(m_options.port));
    }
    if (m_options.publicUrl.isEmpty()) {
        m_options.publicUrl = apiBase().toString();
    }
    if (!m_options.metricsAddress.isNull()) {
        m_metrics = new Metrics(m_database, m_outbox, this);
        if (m_metrics->listen(m_options.metricsAddress, m_options.metricsPort) == 0) {
            throw StartupError(QStringLiteral("cannot listen for metrics on %1 port %2")
                                   .arg(m_options.metricsAddress.toString())
                                   .arg(m_options.metricsPort));
        }
    }
    m_reconnect.start();
    m_outbox.start();
    return m_port;
}

QUrl MolvenaServer::rootUrl() const {
    QUrl url;
    url.setScheme(QStringLiteral("http"));
    url.setHost(m_options.listenAddress.toString());
    url.setPort(m_port);
    return url;
}

QUrl MolvenaServer::apiBase() const {
    return rootUrl().resolved(QUrl(QStringLiteral("/api/")));
}

QUrl MolvenaServer::blockProxy() const {
    return rootUrl().resolved(QUrl(QStringLiteral("/shield_blocked")));
}

bool MolvenaServer::handleRequest(const QHttpServerRequest& request, QTcpSocket* socket) {
    QElapsedTimer started;
    started.start();
    answer(Router::Incoming::from(request), makeResponder(request, socket), socket, started);
    return true;
}

void MolvenaServer::answer(Router::Incoming request, QHttpServerResponder responder,
                           QPointer<QTcpSocket> socket, QElapsedTimer started) {
    // Qt's resend of a POST comes milliseconds after the first; the first may run at another
    // instance and take a while. Past this, the client is told to come back.
    constexpr qint64 waitMilliseconds = 10'000;
    std::optional<QHttpServerResponse> response = m_router.dispatch(request);
    if (!response) {
        m_outbox.discardPending();
        if (started.elapsed() < waitMilliseconds) {
            auto waiting = std::make_shared<QHttpServerResponder>(std::move(responder));
            QTimer::singleShot(20, this,
                               [this, request = std::move(request), waiting, socket, started]() mutable {
                                   if (socket) {
                                       answer(std::move(request), std::move(*waiting), socket, started);
                                   }
                               });
            return;
        }
        response = Router::unavailable();
    }
    const bool mailed = response->statusCode() == QHttpServerResponder::StatusCode::Ok;
    const QString path = request.url.path();
    if (m_options.logRequests) {
        // The path only: queries carry device and pairing tokens.
        const QByteArray method =
            QByteArray(QMetaEnum::fromType<QHttpServerRequest::Method>().valueToKey(int(request.method)))
                .toUpper();
        std::fprintf(stderr, "%s %s %d\n", method.constData(), qPrintable(path), int(response->statusCode()));
    }
    if (m_metrics) {
        m_metrics->count(m_router.knows(path) ? path : QStringLiteral("other"), int(response->statusCode()),
                         double(started.nsecsElapsed()) / 1e9);
    }
    write(*response, responder, request.method == QHttpServerRequest::Method::Head);
    // Mail of the request is looked for once its transaction has committed and the reply is out.
    if (mailed) {
        if (socket) {
            socket->flush();
        }
        m_outbox.deliverPending();
    } else {
        m_outbox.discardPending();
    }
}

void MolvenaServer::write(const QHttpServerResponse& response, QHttpServerResponder& responder, bool head) {
    if (!head) {
        response.write(std::move(responder));
        return;
    }
    // The headers a GET would get, announcing its length, and no body.
    responder.writeStatusLine(response.statusCode());
    responder.writeHeader(QByteArrayLiteral("Content-Type"), response.mimeType());
    responder.writeHeader(QByteArrayLiteral("Content-Length"), QByteArray::number(response.data().size()));
    for (const QByteArray& name : {QByteArrayLiteral("Cache-Control"),
                                   QByteArrayLiteral("Content-Disposition"), QByteArrayLiteral("Allow")}) {
        for (const QByteArray& value : response.headers(name)) {
            responder.writeHeader(name, value);
        }
    }
    responder.writeBody(QByteArray());
}

void MolvenaServer::missingHandler(const QHttpServerRequest& request, QTcpSocket* socket) {
    ApiReply::error(QHttpServerResponder::StatusCode::NotFound, QStringLiteral("Siden findes ikke."))
        .write(makeResponder(request, socket));
}

} // namespace molvena::server
