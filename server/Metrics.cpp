#include "Metrics.h"

#include "Database.h"
#include "Outbox.h"

#include <QHttpServerRequest>
#include <QHttpServerResponder>
#include <QTcpServer>

namespace molvena::server {

Metrics::Metrics(Database& database, Outbox& outbox, QObject* parent)
    : QAbstractHttpServer(parent), m_database(database), m_outbox(outbox) {}

quint16 Metrics::listen(const QHostAddress& address, quint16 port) {
    auto* server = new QTcpServer(this);
    if (!server->listen(address, port)) {
        delete server;
        return 0;
    }
    bind(server);
    m_port = server->serverPort();
    return m_port;
}

void Metrics::count(const QString& path, int status, double seconds) {
    ++m_requests[{path, status}];
    for (std::size_t i = 0; i < bounds.size(); ++i) {
        m_buckets[i] += seconds <= bounds[i];
    }
    ++m_observed;
    m_secondsTotal += seconds;
}

bool Metrics::healthy() {
    // Never a reconnection here (it may wait); the server reopens the connection in the background.
    if (m_database.isLost()) {
        return false;
    }
    try {
        return m_database.value(QStringLiteral("SELECT 1")).toInt() == 1;
    } catch (const DatabaseError&) {
        return false;
    }
}

QByteArray Metrics::render() {
    QByteArray text;
    const auto line = [&text](const QByteArray& name, const QByteArray& labels, auto value) {
        text += name + (labels.isEmpty() ? QByteArray() : '{' + labels + '}') + ' ' +
                QByteArray::number(value) + '\n';
    };
    text += "# TYPE molvena_requests_total counter\n";
    qint64 tripped = 0;
    for (auto it = m_requests.cbegin(); it != m_requests.cend(); ++it) {
        line("molvena_requests_total",
             "endpoint=\"" + it.key().first.toUtf8() + "\",status=\"" + QByteArray::number(it.key().second) +
                 '"',
             it.value());
        tripped += it.key().second == 429 ? it.value() : 0;
    }
    text += "# TYPE molvena_request_duration_seconds histogram\n";
    for (std::size_t i = 0; i < bounds.size(); ++i) {
        line("molvena_request_duration_seconds_bucket", "le=\"" + QByteArray::number(bounds[i]) + '"',
             m_buckets[i]);
    }
    line("molvena_request_duration_seconds_bucket", "le=\"+Inf\"", m_observed);
    line("molvena_request_duration_seconds_sum", {}, m_secondsTotal);
    line("molvena_request_duration_seconds_count", {}, m_observed);
    text += "# TYPE molvena_limits_tripped_total counter\n";
    line("molvena_limits_tripped_total", {}, tripped);
    text += "# TYPE molvena_mails_sent_total counter\n";
    line("molvena_mails_sent_total", {}, m_outbox.sentCount());
    text += "# TYPE molvena_mails_failed_total counter\n";
    line("molvena_mails_failed_total", {}, m_outbox.failedCount());
    // The queue is every instance's; without a database it is not known, and the gauge is left out.
    try {
        if (!m_database.isLost()) {
            const auto [due, oldest] = m_outbox.backlog();
            text += "# TYPE molvena_outbox_due gauge\n";
            line("molvena_outbox_due", {}, due);
            text += "# TYPE molvena_outbox_oldest_due_seconds gauge\n";
            line("molvena_outbox_oldest_due_seconds", {}, oldest);
        }
    } catch (const DatabaseError&) {
    }
    text += "# TYPE molvena_database_up gauge\n";
    line("molvena_database_up", {}, m_database.isLost() ? 0 : 1);
    return text;
}

bool Metrics::handleRequest(const QHttpServerRequest& request, QTcpSocket* socket) {
    const QString path = request.url().path();
    if (request.method() != QHttpServerRequest::Method::Get) {
        return false;
    }
    if (path == QLatin1String("/metrics")) {
        makeResponder(request, socket).write(render(), "text/plain; version=0.0.4");
        return true;
    }
    if (path == QLatin1String("/health")) {
        const bool ok = healthy();
        makeResponder(request, socket)
            .write(ok ? QByteArrayLiteral("ok\n") : QByteArrayLiteral("database unavailable\n"), "text/plain",
                   ok ? QHttpServerResponder::StatusCode::Ok
                      : QHttpServerResponder::StatusCode::ServiceUnavailable);
        return true;
    }
    return false;
}

void Metrics::missingHandler(const QHttpServerRequest& request, QTcpSocket* socket) {
    makeResponder(request, socket).write(QHttpServerResponder::StatusCode::NotFound);
}

} // namespace molvena::server
