#include "ConnectionGuard.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QPointer>
#include <QTcpSocket>
#include <QTimer>

#include <sys/socket.h>
#include <unistd.h>

#include <variant>

namespace molvena::server {

namespace {

struct Refusal {
    int status = 0;
    QByteArray reason;
    QString message;
};

// Judges one request's header block; returns the body length, or a refusal.
std::variant<qsizetype, Refusal> bodyLength(const QByteArray& header, qsizetype maximumBody) {
    const Refusal malformed{400, "Bad Request", QStringLiteral("Forespørgslen kunne ikke læses.")};
    const QList<QByteArray> lines = header.split('\n');
    int lengths = 0;
    qsizetype length = 0;
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QByteArray line = lines[i].chopped(lines[i].endsWith('\r') ? 1 : 0);
        if (line.isEmpty()) {
            continue;
        }
        const qsizetype colon = line.indexOf(':');
        // Folded continuation lines and names with blanks are read differently by different parsers.
        if (colon <= 0 || line.front() == ' ' || line.front() == '\t' || line.left(colon).contains(' ') ||
            line.left(colon).contains('\t')) {
            return malformed;
        }
        const QByteArray name = line.left(colon).toLower();
        const QByteArray value = line.mid(colon + 1).trimmed();
        if (name == "transfer-encoding") {
            return Refusal{lengths > 0 ? 400 : 411, lengths > 0 ? "Bad Request" : "Length Required",
                           QStringLiteral("Forespørgslen skal angive sin længde.")};
        }
        if (name == "content-length") {
            bool ok = false;
            const qlonglong parsed = value.toLongLong(&ok);
            const bool digitsOnly = !value.isEmpty() && std::all_of(value.cbegin(), value.cend(), [](char c) {
                return c >= '0' && c <= '9';
            });
            if (++lengths > 1 || !ok || !digitsOnly) {
                return malformed;
            }
            length = parsed;
        }
    }
    if (length > maximumBody) {
        return Refusal{413, "Payload Too Large", QStringLiteral("Forespørgslen er for stor.")};
    }
    return length;
}

// Follows the byte stream of one connection request by request.
class ConnectionWatch : public QObject {
public:
    ConnectionWatch(QTcpSocket* socket, const ConnectionGuard::Limits& limits)
        : QObject(socket), m_socket(socket), m_limits(limits) {
        m_timer.setSingleShot(true);
        connect(&m_timer, &QTimer::timeout, this, [this] {
            if (m_inRequest) {
                refuse({408, "Request Timeout", QStringLiteral("Forespørgslen tog for lang tid.")});
            } else {
                m_socket->abort();
            }
        });
        m_timer.start(m_limits.requestMilliseconds);
        connect(socket, &QTcpSocket::readyRead, this, &ConnectionWatch::inspect);
    }

private:
    void inspect() {
        if (m_refused) {
            // Nothing more reaches the parser; past a megabyte the client is cut off.
            m_dropped += m_socket->read(m_socket->bytesAvailable()).size();
            if (m_dropped > 1024 * 1024) {
                m_socket->abort();
            }
            return;
        }
        // Peek: the HTTP parser, connected after this, consumes the bytes.
        const QByteArray data = m_socket->peek(m_socket->bytesAvailable());
        qsizetype position = 0;
        while (position < data.size() && !m_refused) {
            if (m_bodyLeft > 0) {
                const qsizetype taken = std::min(m_bodyLeft, data.size() - position);
                position += taken;
                m_bodyLeft -= taken;
                if (m_bodyLeft == 0) {
                    requestDone();
                }
                continue;
            }
            if (!m_inRequest) {
                m_inRequest = true;
                m_timer.start(m_limits.requestMilliseconds);
            }
            const qsizetype searchFrom = std::max<qsizetype>(0, m_header.size() - 3);
            m_header += data.mid(position);
            const qsizetype end = m_header.indexOf("\r\n\r\n", searchFrom);
            const qsizetype headerEnd = end < 0 ? m_header.size() : end;
            // A bare line feed ends lines for some parsers and not for others.
            for (qsizetype i = std::max<qsizetype>(0, searchFrom - 1); i < headerEnd; ++i) {
                if (m_header[i] == '\n' && (i == 0 || m_header[i - 1] != '\r')) {
                    return refuse({400, "Bad Request", QStringLiteral("Forespørgslen kunne ikke læses.")});
                }
            }
            if (end < 0) {
                if (m_header.size() > m_limits.maximumHeaderBytes) {
                    refuse({431, "Request Header Fields Too Large",
                            QStringLiteral("Forespørgslens headere er for store.")});
                }
                return;
            }
            if (end + 4 > m_limits.maximumHeaderBytes) {
                return refuse({431, "Request Header Fields Too Large",
                               QStringLiteral("Forespørgslens headere er for store.")});
            }
            const qsizetype usedHere = end + 4 - (m_header.size() - (data.size() - position));
            position += usedHere;
            const auto judged = bodyLength(m_header.left(end + 2), m_limits.maximumBodyBytes);
            m_header.clear();
            if (const Refusal* refusal = std::get_if<Refusal>(&judged)) {
                return refuse(*refusal);
            }
            m_bodyLeft = std::get<qsizetype>(judged);
            if (m_bodyLeft == 0) {
                requestDone();
            }
        }
    }

    void requestDone() {
        m_inRequest = false;
        m_timer.start(m_limits.idleMilliseconds);
    }

    void refuse(const Refusal& refusal) {
        m_refused = true;
        m_timer.stop();
        m_socket->read(m_socket->bytesAvailable());
        const QByteArray body = QJsonDocument(QJsonObject{{QStringLiteral("success"), false},
                                                          {QStringLiteral("error"), refusal.message}})
                                    .toJson(QJsonDocument::Compact);
        m_socket->write("HTTP/1.1 " + QByteArray::number(refusal.status) + ' ' + refusal.reason +
                        "\r\nContent-Type: application/json; charset=utf-8\r\nContent-Length: " +
                        QByteArray::number(body.size()) + "\r\nConnection: close\r\n\r\n" + body);
        // Close our side once the reply is out, but keep reading (and dropping) for a moment: a
        // client still sending its body would otherwise get a reset instead of the reply.
        m_socket->flush();
        ::shutdown(int(m_socket->socketDescriptor()), SHUT_WR);
        QTimer::singleShot(2000, m_socket, [socket = QPointer<QTcpSocket>(m_socket)] {
            if (socket) {
                socket->abort();
            }
        });
    }

    QTcpSocket* m_socket;
    const ConnectionGuard::Limits& m_limits;
    QTimer m_timer;
    QByteArray m_header;
    qsizetype m_bodyLeft = 0;
    qsizetype m_dropped = 0;
    bool m_inRequest = false;
    bool m_refused = false;
};

} // namespace

ConnectionGuard::ConnectionGuard(Limits limits, QObject* parent) : QTcpServer(parent), m_limits(limits) {
    setListenBacklogSize(1024);
}

void ConnectionGuard::incomingConnection(qintptr descriptor) {
    if (m_open >= m_limits.maximumConnections) {
        ::close(int(descriptor));
        return;
    }
    auto* socket = new QTcpSocket(this);
    if (!socket->setSocketDescriptor(descriptor)) {
        delete socket;
        return;
    }
    ++m_open;
    connect(socket, &QObject::destroyed, this, [this] { --m_open; });
    new ConnectionWatch(socket, m_limits);
    addPendingConnection(socket);
}

} // namespace molvena::server
