#include "Router.h"

#include "ApiReply.h"
#include "Database.h"
#include "Outbox.h"
#include "ReplyError.h"

#include <QDebug>

namespace molvena::server {

namespace {

using Status = QHttpServerResponder::StatusCode;

QByteArray headerValue(const QList<QPair<QByteArray, QByteArray>>& headers, const QByteArray& name) {
    for (const auto& [key, value] : headers) {
        if (key.compare(name, Qt::CaseInsensitive) == 0) {
            return value;
        }
    }
    return {};
}

QByteArray headerValue(const Router::Incoming& request, const QByteArray& name) {
    return headerValue(request.headers, name);
}

QByteArray methodName(QHttpServerRequest::Method method) {
    return method == QHttpServerRequest::Method::Get ? QByteArrayLiteral("GET, HEAD")
                                                     : QByteArrayLiteral("POST");
}

} // namespace

QByteArray ApiRequest::header(const QByteArray& name) const {
    return headerValue(headers, name);
}

void Router::add(const QString& path, Method method, Handler handler, Fields fields) {
    m_routes.insert(path, Route{method, std::move(handler), fields});
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

Router::Incoming Router::Incoming::from(const QHttpServerRequest& request) {
    return {request.method(), request.url(), request.body(), request.headers(), request.remoteAddress()};
}

QHttpServerResponse Router::unavailable() {
    QHttpServerResponse response =
        ApiReply::error(Status::ServiceUnavailable,
                        QStringLiteral("Serveren kan ikke nå sine data lige nu. Prøv igen om et øjeblik."));
    response.addHeader(QByteArrayLiteral("Retry-After"), QByteArrayLiteral("1"));
    return response;
}

std::optional<QHttpServerResponse> Router::dispatch(const Incoming& request) const {
    const QString path = request.url.path();
    const QList<Route> routes = m_routes.values(path);
    if (routes.isEmpty()) {
        for (const auto& [prefix, reply] : m_notFound) {
            if (path.startsWith(prefix)) {
                return reply();
            }
        }
        return ApiReply::error(Status::NotFound, QStringLiteral("Siden findes ikke."));
    }
    const Route* const found = route(path, request.method);
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
    const bool lostBefore = m_database.isLost() && !m_database.reconnectIfLost();
    constexpr int attempts = 3;
    for (int attempt = 1;; ++attempt) {
        try {
            return runInTransaction(*found, request);
        } catch (const std::exception& failure) {
            m_outbox.discardPending();
            const auto* databaseFailure = dynamic_cast<const DatabaseError*>(&failure);
            if (databaseFailure && databaseFailure->isConflict() && attempt < attempts) {
                continue;
            }
            // A connection cut just now (the database restarted, the session was killed): one quick
            // try on a new one. While the database stays away, the tries are a second apart.
            if (databaseFailure && m_database.isLost() && attempt == 1 && m_database.reconnectIfLost()) {
                continue;
            }
            if (databaseFailure && (databaseFailure->isUnavailable() || m_database.isLost())) {
                if (!lostBefore) {
                    qWarning().noquote()
                        << "molvena-server:" << request.url.path() << "unavailable:" << failure.what();
                }
                return unavailable();
            }
            qWarning().noquote() << "molvena-server:" << request.url.path() << "failed:" << failure.what();
            return ApiReply::error(
                Status::InternalServerError,
                QStringLiteral("Der opstod en fejl på serveren. Prøv igen om et øjeblik."));
        }
    }
}

std::optional<QHttpServerResponse> Router::runInTransaction(const Route& route,
                                                            const Incoming& request) const {
    Database::Transaction transaction(m_database);
    const QString key =
        QString::fromLatin1(headerValue(request, QByteArrayLiteral("Idempotency-Key")).trimmed());
    const bool idempotent = request.method == Method::Post && !key.isEmpty();
    QString scope;
    const QString path = request.url.path();
    if (idempotent) {
        if (key.size() > 128) {
            return ApiReply::error(Status::BadRequest, QStringLiteral("Idempotency-Key er for lang."));
        }
        // The device's token where the form names one, else the client's address.
        try {
            scope = RequestFields::parse(request.body).optionalText(QStringLiteral("device_token"), 200);
        } catch (...) {
            // A malformed form is refused below; its key is the address's.
        }
        scope = scope.isEmpty() ? QStringLiteral("address:") + clientAddress(request)
                                : QStringLiteral("device:") + scope;
        std::optional<QHttpServerResponse> answer;
        switch (m_keys.claim(scope, path, key, request.body, answer)) {
        case IdempotencyKeys::Outcome::running:
            return std::nullopt;
        case IdempotencyKeys::Outcome::mismatch:
            return ApiReply::error(
                Status::UnprocessableEntity,
                QStringLiteral("Idempotency-Key er allerede brugt til en anden forespørgsel."));
        case IdempotencyKeys::Outcome::answered:
            transaction.commit();
            answer->addHeader(QByteArrayLiteral("Cache-Control"), QByteArrayLiteral("no-store"));
            return answer;
        case IdempotencyKeys::Outcome::claimed:
            break;
        }
    }
    QHttpServerResponse response = [&] {
        try {
            return run(route, request);
        } catch (const ReplyError& refusal) {
            return ApiReply::error(refusal.status(), refusal.message());
        }
    }();
    if (idempotent) {
        m_keys.store(scope, path, key, response);
    }
    transaction.commit();
    return response;
}

QHttpServerResponse Router::run(const Route& route, const Incoming& request) const {
    QByteArray encoded;
    if (request.method == Method::Post && route.fields == Fields::standard) {
        encoded = request.body;
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
        encoded = request.url.query(QUrl::FullyEncoded).toUtf8();
        if (encoded.size() > maximumQuerySize) {
            throw ReplyError(Status::UriTooLong, QStringLiteral("Adressen er for lang."));
        }
    }
    const RequestFields fields = RequestFields::parse(encoded);
    return route.handler(ApiRequest{fields, clientAddress(request), request.headers});
}

QString Router::clientAddress(const Incoming& request) const {
    const QHostAddress peer = request.remoteAddress;
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
