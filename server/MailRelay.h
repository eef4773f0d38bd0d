#pragma once

#include <QByteArray>
#include <QString>

namespace molvena::server {

// Hands finished messages to an SMTP relay (Postfix or the mail provider's submission host), which
// queues and delivers them. Blocking: the outbox calls it on its writer thread, never on the thread
// that answers requests.
class MailRelay {
public:
    MailRelay(QString host, quint16 port) : m_host(std::move(host)), m_port(port) {}

    // One message to one recipient. Returns an empty text, or what went wrong.
    QString send(const QString& recipient, const QByteArray& message) const;
    // Whether send()'s failure means the relay could not be reached at all (so neither can it for
    // the next message).
    static bool isUnreachable(const QString& failure) { return failure.startsWith(unreachable()); }

private:
    static QString unreachable() { return QStringLiteral("cannot reach the mail relay: "); }

    QString m_host;
    quint16 m_port;
};

} // namespace molvena::server
