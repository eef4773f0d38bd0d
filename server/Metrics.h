#pragma once

#include <QAbstractHttpServer>
#include <QHash>
#include <QPair>
#include <QString>

#include <array>

namespace molvena::server {

class Database;
class Outbox;

// What an operator watches, in the Prometheus text format on a listener of its own (a server object
// of its own too: a second listen() of the API's server would answer every API route there as
// well), which the front end never proxies: requests by endpoint and status, their latency, the
// outbox's depth and the age of its oldest due mail, mails sent and failed, limits tripped; and
// /health, ready only while the database answers.
class Metrics : public QAbstractHttpServer {
    Q_OBJECT
public:
    Metrics(Database& database, Outbox& outbox, QObject* parent = nullptr);

    // Listens; returns the port, 0 when it cannot.
    quint16 listen(const QHostAddress& address, quint16 port);
    quint16 port() const { return m_port; }

    // One answered request: its path (known paths only, so a scanner cannot grow the table), status
    // and time.
    void count(const QString& path, int status, double seconds);
    // The text /metrics serves.
    QByteArray render();
    // Whether the database answers now (a round trip).
    bool healthy();

protected:
    bool handleRequest(const QHttpServerRequest& request, QTcpSocket* socket) override;
    void missingHandler(const QHttpServerRequest& request, QTcpSocket* socket) override;

private:
    static constexpr std::array<double, 11> bounds{0.005, 0.01, 0.025, 0.05, 0.1, 0.25,
                                                   0.5,   1.0,  2.5,   5.0,  10.0};

    Database& m_database;
    Outbox& m_outbox;
    quint16 m_port = 0;
    QHash<QPair<QString, int>, qint64> m_requests;
    std::array<qint64, bounds.size()> m_buckets{};
    qint64 m_observed = 0;
    double m_secondsTotal = 0;
};

} // namespace molvena::server
