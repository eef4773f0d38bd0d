#pragma once

#include "IdempotencyKeys.h"
#include "RequestFields.h"

#include <QHash>
#include <QHostAddress>
#include <QHttpServerRequest>
#include <QHttpServerResponse>
#include <QString>

#include <functional>
#include <optional>

namespace molvena::server {

class Database;
class Outbox;

// What a handler gets: the checked-on-access fields (form body for POST, query for GET), the
// client's address, and the request's headers (the web pages read cookies and Origin).
struct ApiRequest {
    const RequestFields& fields;
    QString remoteAddress;
    QList<QPair<QByteArray, QByteArray>> headers = {};
    // The first value of a header (name in any case), empty when absent.
    QByteArray header(const QByteArray& name) const;
};

// Exact-path dispatch. Qt HttpServer's own route patterns read "." as a wildcard, which would let
// "/api/countXphp" answer as "/api/count.php"; here a path is either in the table or gets a 404.
// A path may have a GET and a POST handler (a page and the form it sends).
// The router also enforces the method, the body size and the form encoding, and turns every
// refusal or failure of a handler into a JSON reply with a Danish message and no internal detail.
//
// Each request runs in one transaction. A refusal commits it (a counted wrong guess must outlive
// the 403); a failure rolls it back. A request that lost a race to another instance (a unique key,
// a deadlock) runs again from the start, three tries in all, with its queued mail forgotten; one
// that found its database connection cut runs once more on a new connection. A database that is
// gone or a wait that timed out is answered at once with 503 and Retry-After: handlers share one
// thread, so waiting would stall every other request of this instance.
//
// A POST with an Idempotency-Key claims the key in its transaction before the work; a repeat gets
// the stored answer, a repeat with another body 422.
class Router {
public:
    using Handler = std::function<QHttpServerResponse(const ApiRequest&)>;
    using Method = QHttpServerRequest::Method;

    static constexpr qsizetype maximumBodySize = 64 * 1024;
    static constexpr qsizetype maximumQuerySize = 8 * 1024;

    // The client address comes from the front end's X-Real-IP when the peer is that front end: on
    // this machine (behindProxy and a loopback peer) or one of `trustedProxies`. Anyone else could
    // name any address in it, so from them it is ignored.
    Router(bool behindProxy, QList<QHostAddress> trustedProxies, Database& database, Outbox& outbox,
           IdempotencyKeys& keys)
        : m_behindProxy(behindProxy), m_trustedProxies(std::move(trustedProxies)), m_database(database),
          m_outbox(outbox), m_keys(keys) {}

    // What the router reads of a request, kept apart from Qt's request object so a request that
    // waits for another with the same Idempotency-Key can be dispatched again later.
    struct Incoming {
        Method method;
        QUrl url;
        QByteArray body;
        QList<QPair<QByteArray, QByteArray>> headers;
        QHostAddress remoteAddress;
        static Incoming from(const QHttpServerRequest& request);
    };

    // Where a handler's fields come from. A POST's come from its form body, unless the route takes
    // them from the URL query: then the body may be anything and is not read (an RFC 8058
    // unsubscribe arrives as whatever form encoding the mail provider chose).
    enum class Fields { standard, query };

    void add(const QString& path, Method method, Handler handler, Fields fields = Fields::standard);
    // The reply to a path under `prefix` that is not in the table (web pages answer with a page, not
    // JSON).
    void addNotFound(const QString& prefix, std::function<QHttpServerResponse()> reply) {
        m_notFound.append({prefix, std::move(reply)});
    }
    bool knows(const QString& path) const { return m_routes.contains(path); }
    // Nothing when another request with the same Idempotency-Key is running: dispatch it again shortly.
    std::optional<QHttpServerResponse> dispatch(const Incoming& request) const;
    // The reply while the database is away.
    static QHttpServerResponse unavailable();

private:
    struct Route {
        Method method;
        Handler handler;
        Fields fields;
    };
    const Route* route(const QString& path, Method method) const;
    QHttpServerResponse run(const Route& route, const Incoming& request) const;
    std::optional<QHttpServerResponse> runInTransaction(const Route& route, const Incoming& request) const;

    QString clientAddress(const Incoming& request) const;

    bool m_behindProxy;
    QList<QHostAddress> m_trustedProxies;
    Database& m_database;
    Outbox& m_outbox;
    IdempotencyKeys& m_keys;
    QMultiHash<QString, Route> m_routes; // a path may take GET and POST, each its own handler
    QList<QPair<QString, std::function<QHttpServerResponse()>>> m_notFound;
};

} // namespace molvena::server
