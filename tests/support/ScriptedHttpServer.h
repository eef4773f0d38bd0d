#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QObject>
#include <QTcpServer>
#include <QUrl>
#include <QUrlQuery>

#include <deque>

class QTcpSocket;

namespace molvena::test {

// One request as the server received it.
struct RecordedRequest {
    QByteArray method;
    QString path; // decoded path, without the query
    QUrlQuery query;
    QHash<QByteArray, QByteArray> headers; // names in lower case
    QByteArray body;
    QByteArray target; // the request target exactly as sent, path and query still percent-encoded
};

// What the server answers to one request.
struct ScriptedReply {
    int status = 200;
    QByteArray body;
    QByteArray contentType = "application/json";
    bool dropConnection = false; // close the connection without any answer
    bool neverAnswer = false;    // keep the connection open and say nothing
};

// A small HTTP/1.1 server on a free loopback port for wire tests: it records every request and
// answers what the test scripted, in order, then the default reply (200 with an empty JSON object).
class ScriptedHttpServer : public QObject {
    Q_OBJECT
public:
    explicit ScriptedHttpServer(QObject* parent = nullptr);

    quint16 port() const { return m_server.serverPort(); }
    QUrl url(const QString& path = QStringLiteral("/")) const;

    void enqueue(const ScriptedReply& reply) { m_script.push_back(reply); }
    void setDefaultReply(const ScriptedReply& reply) { m_defaultReply = reply; }

    // A loopback port on which nothing listens (taken from the system, then released), for
    // "connection refused" tests.
    static quint16 closedPort();

    const QList<RecordedRequest>& requests() const { return m_requests; }

    // Stops listening and drops every open connection.
    void close();

private:
    void onNewConnection();
    void onReadyRead(QTcpSocket* socket);
    void answer(QTcpSocket* socket, const ScriptedReply& reply, bool isHead);

    QTcpServer m_server;
    std::deque<ScriptedReply> m_script;
    ScriptedReply m_defaultReply{.body = "{}"};
    QList<RecordedRequest> m_requests;
    QHash<QTcpSocket*, QByteArray> m_buffers;
};

} // namespace molvena::test
