#pragma once

#include "AccountEndpoints.h"
#include "Accounts.h"
#include "AttemptLimiter.h"
#include "Blocklist.h"
#include "ConnectionGuard.h"
#include "Database.h"
#include "DeviceEndpoints.h"
#include "EventLog.h"
#include "IdempotencyKeys.h"
#include "Metrics.h"
#include "Outbox.h"
#include "PairingEndpoints.h"
#include "RecoveryCodes.h"
#include "RecoveryEndpoints.h"
#include "ResolverConfiguration.h"
#include "Router.h"
#include "ServerClock.h"
#include "ServerOptions.h"
#include "WebOverviewEndpoints.h"
#include "WebSessions.h"

#include <QAbstractHttpServer>
#include <QElapsedTimer>
#include <QPointer>
#include <QTimer>
#include <QUrl>

#include <list>

namespace molvena::server {

// The reference backend: one HTTP server with its database, outbox and endpoints. Tests start one
// in-process on a free loopback port; molvena-server runs one as a program.
class MolvenaServer : public QAbstractHttpServer {
    Q_OBJECT
public:
    explicit MolvenaServer(ServerOptions options, QObject* parent = nullptr); // throws StartupError
    ~MolvenaServer() override;

    // Listens on the configured address and port; returns the port. Throws StartupError.
    quint16 start();
    // Replaces the imported blocklist with the file's domains, then rewrites and reloads the
    // resolver's configuration. Returns the import's report. Throws StartupError.
    QString importBlocklist(const QString& file);

    quint16 port() const { return m_port; }
    QUrl apiBase() const;    // http://address:port/api/
    QUrl blockProxy() const; // http://address:port/shield_blocked
    QString outboxFolder() const { return m_outbox.folder(); }
    void waitForOutbox() { m_outbox.waitUntilWritten(); }
    quint16 metricsPort() const { return m_metrics ? m_metrics->port() : 0; }
    // Those of the requests (the outbox worker's own work apart).
    qint64 databaseRoundTrips() const { return m_database.roundTrips() - m_outbox.roundTrips(); }
    QString databaseConnectionName() const { return m_database.connectionName(); }
    const ServerOptions& options() const { return m_options; }
    int openConnections() const { return m_guard ? m_guard->openConnections() : 0; }

protected:
    bool handleRequest(const QHttpServerRequest& request, QTcpSocket* socket) override;
    void missingHandler(const QHttpServerRequest& request, QTcpSocket* socket) override;

private:
    QUrl rootUrl() const;
    // Writes the resolver's configuration from the blocklist and reloads the resolver.
    QString configureResolver();
    // Dispatches a request and writes its answer; one whose Idempotency-Key another request is
    // answering now waits (without holding the thread) and is dispatched again shortly.
    void answer(Router::Incoming request, QHttpServerResponder responder, QPointer<QTcpSocket> socket,
                QElapsedTimer started);
    void write(const QHttpServerResponse& response, QHttpServerResponder& responder, bool head);

    ServerOptions m_options;
    ServerClock m_clock;
    Database m_database;
    QByteArray m_secret;
    Outbox m_outbox;
    IdempotencyKeys m_keys;
    AttemptLimiter m_limiter;
    Accounts m_accounts;
    WebSessions m_webSessions;
    EventLog m_events;
    RecoveryCodes m_recoveryCodes;
    Blocklist m_blocklist;
    ResolverConfiguration m_resolver;
    ServerContext m_context;
    ConfirmationEndpoints m_confirmation;
    PairingEndpoints m_pairing;
    RecoveryEndpoints m_recovery;
    DeviceEndpoints m_devices;
    AccountEndpoints m_account;
    WebOverviewEndpoints m_web;
    Router m_router;
    ConnectionGuard* m_guard = nullptr;
    Metrics* m_metrics = nullptr;
    QTimer m_reconnect;
    quint16 m_port = 0;
};

} // namespace molvena::server
