#include "Router.h"

#include "ApiReply.h"
#include "Database.h"
#include "Outbox.h"
#include "ReplyError.h"

#include <QDebug>

namespace molvena::server {

namespace {

using Status = QHttpServerResponder::StatusCode;

QByteArray headerValue(const QHttpServerRequest& request, const QByteArray& name) {
    for (const auto& [key, value] : request.headers()) {
        if (key.compare(name, Qt::CaseInsensitive) == 0) {
            return value;
        }
    }
    return {};
}

QByteArray methodName(QHttpServerRequest::Method method) {
    return method == QHttpServerRequest::Method::Get ? QByteArrayLiteral("GET, HEAD")
                                                     : QByteArrayLiteral("POST");
}

} // namespace

void Router::add(const QString& path, Method method, Handler handler) {
    m_routes.insert(path, Route{method, std::move(handler)});
}

const Router::Route* Router::route(const QString& path, Method method) const {
    // HEAD is a GET without the body, which the server leaves out when it writes the reply.
    const Method wanted = method == Method::Head ? Method::Get : method;
    for (auto found = m_routes.constFind(path); found != m_routes.constEnd() && found.key() == path;
         ++found) {
        if (found->method == wanted) {
            return &*found;
        }
    }
    return nullptr;
}

QHttpServerResponse Router::dispatch(const QHttpServerRequest& request) const {
    const QString path = request.url().path();
    const QList<Route> routes = m_routes.values(path);
    if (routes.isEmpty()) {
        return ApiReply::error(Status::NotFound, QStringLiteral("Siden findes ikke."));
    }
    const Route* const found = route(path, request.method());
    if (!found) {
        QHttpServerResponse response =
            ApiReply::error(Status::MethodNotAllowed, QStringLiteral("Metoden er ikke tilladt her."));
        QByteArrayList allowed;
        for (const Route& other : routes) {
            allowed.prepend(methodName(other.method));
        }
        response.addHeader(QByteArrayLiteral("Allow"), allowed.join(", "));
        return response;
    }
    constexpr int attempts = 3;
    for (int attempt = 1;; ++attempt) {
        try {
            return runInTransaction(*found, request);
        } catch (const std::exception& failure) {
            m_outbox.discardPending();
            const auto* databaseFailure = dynamic_cast<const DatabaseError*>(&failure);
            const bool again =
                databaseFailure && (databaseFailure->isConflict() || m_database.reconnectIfLost());
            if (again && attempt < attempts) {
                continue;
            }
            qWarning().noquote() << "molvena-server:" << request.url().path() << "failed:" << failure.what();
            return ApiReply::error(
                Status::InternalServerError,
                QStringLiteral("Der opstod en fejl på serveren. Prøv igen om et øjeblik."));
        }
    }
}

QHttpServerResponse Router::runInTransaction(const Route& route, const QHttpServerRequest& request) const {
    Database::Transaction transaction(m_database);
    QHttpServerResponse response = [&] {
        try {
            return run(route, request);
        } catch (const ReplyError& refusal) {
            return ApiReply::error(refusal.status(), refusal.message());
        }
    }();
    transaction.commit();
    return response;
}

QHttpServerResponse Router::run(const Route& route, const QHttpServerRequest& request) const {
    QByteArray encoded;
    if (request.method() == Method::Post) {
        encoded = request.body();
        if (encoded.size() > maximumBodySize) {
            throw ReplyError(Status::PayloadTooLarge, QStringLiteral("Forespørgslen er for stor."));
        }
        const QByteArray contentType =
            headerValue(request, QByteArrayLiteral("Content-Type")).trimmed().toLower();
        const qsizetype parameters = contentType.indexOf(';');
        const QByteArray mediaType = (parameters < 0 ? contentType : contentType.left(parameters)).trimmed();
        if (mediaType != "application/x-www-form-urlencoded") {
            throw ReplyError(Status::UnsupportedMediaType,
                             QStringLiteral("Forespørgslen skal være formularkodet."));
        }
    } else {
        encoded = request.url().query(QUrl::FullyEncoded).toUtf8();
        if (encoded.size() > maximumQuerySize) {
            throw ReplyError(Status::UriTooLong, QStringLiteral("Adressen er for lang."));
        }
    }
    const RequestFields fields = RequestFields::parse(encoded);
    return route.handler(ApiRequest{fields, clientAddress(request)});
}

QString Router::clientAddress(const QHttpServerRequest& request) const {
    const QHostAddress peer = request.remoteAddress();
    bool isV4Peer = false;
    const QHostAddress plainPeer(peer.toIPv4Address(&isV4Peer));
    const bool fromFrontEnd = (m_behindProxy && peer.isLoopback()) || m_trustedProxies.contains(peer) ||
                              (isV4Peer && m_trustedProxies.contains(plainPeer));
    if (fromFrontEnd) {
        const QHostAddress forwarded(
            QString::fromLatin1(headerValue(request, QByteArrayLiteral("X-Real-IP"))));
        if (!forwarded.isNull()) {
            return forwarded.toString();
        }
    }
    // IPv4 clients on a dual-stack socket appear as ::ffff:a.b.c.d; one client, one form.
    bool isV4 = false;
    const quint32 v4 = peer.toIPv4Address(&isV4);
    return isV4 ? QHostAddress(v4).toString() : peer.toString();
}

} // namespace molvena::server
