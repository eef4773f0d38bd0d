#include "ScriptedHttpServer.h"

#include <QTcpSocket>

namespace molvena::test {

ScriptedHttpServer::ScriptedHttpServer(QObject* parent) : QObject(parent) {
    connect(&m_server, &QTcpServer::newConnection, this, &ScriptedHttpServer::onNewConnection);
    if (!m_server.listen(QHostAddress::LocalHost, 0)) {
        qFatal("ScriptedHttpServer could not listen: %s", qPrintable(m_server.errorString()));
    }
}

QUrl ScriptedHttpServer::url(const QString& path) const {
    return QUrl(QStringLiteral("http://127.0.0.1:%1%2").arg(port()).arg(path));
}

quint16 ScriptedHttpServer::closedPort() {
    QTcpServer probe;
    if (!probe.listen(QHostAddress::LocalHost, 0)) {
        qFatal("ScriptedHttpServer::closedPort could not listen: %s", qPrintable(probe.errorString()));
    }
    const quint16 port = probe.serverPort();
    probe.close();
    return port;
}

void ScriptedHttpServer::close() {
    m_server.close();
    for (QTcpSocket* socket : m_buffers.keys()) {
        socket->abort();
    }
}

void ScriptedHttpServer::onNewConnection() {
    while (QTcpSocket* socket = m_server.nextPendingConnection()) {
        socket->setParent(this);
        m_buffers.insert(socket, {});
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { onReadyRead(socket); });
        connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
            m_buffers.remove(socket);
            socket->deleteLater();
        });
    }
}

void ScriptedHttpServer::onReadyRead(QTcpSocket* socket) {
    QByteArray& buffer = m_buffers[socket];
    buffer += socket->readAll();
    for (;;) {
        const qsizetype headerEnd = buffer.indexOf("\r\n\r\n");
        if (headerEnd < 0) {
            return;
        }
        const QList<QByteArray> lines = buffer.left(headerEnd).split('\n');
        const QList<QByteArray> requestLine = lines.value(0).trimmed().split(' ');
        RecordedRequest request;
        request.method = requestLine.value(0);
        request.target = requestLine.value(1);
        const QUrl target(QString::fromUtf8(requestLine.value(1)));
        request.path = target.path();
        request.query = QUrlQuery(target);
        for (qsizetype i = 1; i < lines.size(); ++i) {
            const qsizetype colon = lines[i].indexOf(':');
            if (colon > 0) {
                request.headers.insert(lines[i].left(colon).trimmed().toLower(),
                                       lines[i].mid(colon + 1).trimmed());
            }
        }
        const qsizetype bodyLength = request.headers.value("content-length", "0").toLongLong();
        if (buffer.size() < headerEnd + 4 + bodyLength) {
            return;
        }
        request.body = buffer.mid(headerEnd + 4, bodyLength);
        buffer.remove(0, headerEnd + 4 + bodyLength);

        m_requests.append(request);
        ScriptedReply reply = m_defaultReply;
        if (!m_script.empty()) {
            reply = m_script.front();
            m_script.pop_front();
        }
        answer(socket, reply, request.method == "HEAD");
    }
}

void ScriptedHttpServer::answer(QTcpSocket* socket, const ScriptedReply& reply, bool isHead) {
    if (reply.neverAnswer) {
        return;
    }
    if (reply.dropConnection) {
        socket->abort();
        return;
    }
    QByteArray response = "HTTP/1.1 " + QByteArray::number(reply.status) + " Scripted\r\n";
    response += "Content-Type: " + reply.contentType + "\r\n";
    if (reply.status >= 300 && reply.status <= 399) {
        response += "Location: /moved\r\n"; // a client that follows it asks again here
    }
    response += "Content-Length: " + QByteArray::number(reply.body.size()) + "\r\n";
    response += "Connection: close\r\n\r\n";
    if (!isHead) {
        response += reply.body;
    }
    socket->write(response);
    socket->disconnectFromHost();
}

} // namespace molvena::test
