#include "ProtectionTestSupport.h"

#include <QTcpSocket>

namespace molvena::test {

SwitchableSite::SwitchableSite(bool blocked, QObject* parent) : QObject(parent) {
    connect(&m_server, &QTcpServer::newConnection, this, &SwitchableSite::onNewConnection);
    if (!m_server.listen(QHostAddress::LocalHost, 0)) {
        qFatal("SwitchableSite could not listen: %s", qPrintable(m_server.errorString()));
    }
    m_port = m_server.serverPort();
    setBlocked(blocked);
}

QUrl SwitchableSite::url() const {
    return QUrl(QStringLiteral("http://127.0.0.1:%1/").arg(m_port));
}

void SwitchableSite::setBlocked(bool blocked) {
    if (blocked) {
        m_server.close();
    } else if (!m_server.isListening() && !m_server.listen(QHostAddress::LocalHost, m_port)) {
        qFatal("SwitchableSite could not listen again: %s", qPrintable(m_server.errorString()));
    }
}

void SwitchableSite::onNewConnection() {
    while (QTcpSocket* socket = m_server.nextPendingConnection()) {
        socket->setParent(this);
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] {
            if (socket->property("answered").toBool()) {
                socket->readAll();
                return;
            }
            if (!socket->peek(65536).contains("\r\n\r\n")) {
                return;
            }
            socket->readAll();
            socket->setProperty("answered", true);
            ++m_requestCount;
            socket->write("HTTP/1.1 200 OK\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
            socket->disconnectFromHost();
        });
    }
}

QUrl refusingURL() {
    QTcpServer server;
    server.listen(QHostAddress::LocalHost, 0);
    const quint16 port = server.serverPort();
    server.close();
    return QUrl(QStringLiteral("http://127.0.0.1:%1/").arg(port));
}

// An empty host name fails the lookup at once with "host not found" and asks no name server: a
// made-up name would still send a query off this machine (and make the tests wait on it).
QUrl unresolvableURL() {
    return QUrl(QStringLiteral("http:///"));
}

} // namespace molvena::test
