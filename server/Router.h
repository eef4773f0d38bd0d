#pragma once

#include "RequestFields.h"

#include <QHash>
#include <QHostAddress>
#include <QHttpServerRequest>
#include <QHttpServerResponse>
#include <QString>

#include <functional>

namespace molvena::server {

class Database;
class Outbox;

// What a handler gets: the checked-on-access fields (form body for POST, query for GET) and the
// client's address.
struct ApiRequest {
    const RequestFields& fields;
    QString remoteAddress;
};

// Exact-path dispatch. Qt HttpServer's own route patterns read "." as a wildcard, which would let
// "/api/countXphp" answer as "/api/count.php"; here a path is either in the table or gets a 404.
// A path may have a GET and a POST handler (a page and the form it sends).
// The router also enforces the method, the body size and the form encoding, and turns every
// refusal or failure of a handler into a JSON reply with a Danish message and no internal detail.
//
// Each request runs in one transaction. A refusal commits it (a counted wrong guess must outlive
// the 403); a failure rolls it back. A request that lost a race to another instance (a unique key,
// a deadlock) or met a lost database connection runs once more from the start, on a new connection
// if need be, with its queued mail forgotten.
class Router {
public:
    using Handler = std::function<QHttpServerResponse(const ApiRequest&)>;
    using Method = QHttpServerRequest::Method;

    static constexpr qsizetype maximumBodySize = 64 * 1024;
    static constexpr qsizetype maximumQuerySize = 8 * 1024;

    // The client address comes from the front end's X-Real-IP when the peer is that front end: on
    // this machine (behindProxy and a loopback peer) or one of `trustedProxies`. Anyone else could
    // name any address in it, so from them it is ignored.
    Router(bool behindProxy, QList<QHostAddress> trustedProxies, Database& database, Outbox& outbox)
        : m_behindProxy(behindProxy), m_trustedProxies(std::move(trustedProxies)), m_database(database),
          m_outbox(outbox) {}

    void add(const QString& path, Method method, Handler handler);
    QHttpServerResponse dispatch(const QHttpServerRequest& request) const;

private:
    struct Route {
        Method method;
        Handler handler;
    };
    const Route* route(const QString& path, Method method) const;
    QHttpServerResponse run(const Route& route, const QHttpServerRequest& request) const;
    QHttpServerResponse runInTransaction(const Route& route, const QHttpServerRequest& request) const;

    QString clientAddress(const QHttpServerRequest& request) const;

    bool m_behindProxy;
    QList<QHostAddress> m_trustedProxies;
    Database& m_database;
    Outbox& m_outbox;
    QMultiHash<QString, Route> m_routes; // a path may take GET and POST, each its own handler
};

} // namespace molvena::server
