#include "MailRelay.h"

#include <QTcpSocket>

namespace molvena::server {

namespace {

constexpr int timeoutMilliseconds = 10'000;

// Reads one reply (its continuation lines too) and returns its three-digit code, or 0.
int replyCode(QTcpSocket& socket) {
    for (int lines = 0; lines < 100; ++lines) {
        while (!socket.canReadLine()) {
            if (!socket.waitForReadyRead(timeoutMilliseconds)) {
                return 0;
            }
        }
        const QByteArray line = socket.readLine(1024);
        if (line.size() < 4) {
            return 0;
        }
        if (line[3] != '-') {
            return line.left(3).toInt();
        }
    }
    return 0;
}

} // namespace

QString MailRelay::send(const QString& recipient, const QByteArray& message) const {
    QTcpSocket socket;
    socket.connectToHost(m_host, m_port);
    if (!socket.waitForConnected(timeoutMilliseconds)) {
        return unreachable() + socket.errorString();
    }
    // Lines starting with a dot get another, so the message cannot end the transfer early.
    QByteArray stuffed = message;
    if (stuffed.startsWith('.')) {
        stuffed.prepend('.');
    }
    stuffed.replace("\r\n.", "\r\n..");
    const QList<QPair<QByteArray, int>> steps{
        {QByteArray(), 220},
        {"EHLO molvena.dk\r\n", 250},
        {"MAIL FROM:<no-reply@molvena.dk>\r\n", 250},
        {"RCPT TO:<" + recipient.toUtf8() + ">\r\n", 250},
        {"DATA\r\n", 354},
        {stuffed + ".\r\n", 250},
        {"QUIT\r\n", 221},
    };
    for (const auto& [command, expected] : steps) {
        if (!command.isEmpty()) {
            socket.write(command);
            if (!socket.waitForBytesWritten(timeoutMilliseconds)) {
                return QStringLiteral("the mail relay stopped reading");
            }
        }
        const int code = replyCode(socket);
        // 251: the relay forwards to another host, as good as accepted.
        if (code != expected && !(expected == 250 && code == 251)) {
            return QStringLiteral("the mail relay answered %1 instead of %2").arg(code).arg(expected);
        }
    }
    return {};
}

} // namespace molvena::server
