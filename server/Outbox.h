#pragma once

#include "MailRelay.h"

#include <QList>
#include <QString>
#include <QThreadPool>

#include <optional>

namespace molvena::server {

class Database;
class ServerClock;

// The server's e-mails: a row in the `outbox` table (who, what, which message) and the message
// itself, handed to an SMTP relay when one is configured (several instances: each hands over its
// own, and the relay queues and delivers), or else written as an .eml file in the outbox folder,
// which a developer opens in any mail program and tests read. The message's Message-ID is built
// from the row's file name. The table holds no message text, so the database never holds a
// recovery code in the clear. The row is part of the request's transaction; the message leaves in
// deliverPending() once that has committed, so a rolled-back request never mails anyone.
class Outbox {
public:
    // Creates the folder.
    Outbox(Database& database, const ServerClock& clock, QString folder, std::optional<MailRelay> relay);

    QString folder() const { return m_folder; }

    // Records one message and queues its file; returns the file name inside folder(). Throws
    // DatabaseError on failure.
    QString send(const QString& kind, const QString& recipient, const QString& subject, const QString& body,
                 std::optional<qint64> eventId = std::nullopt);
    // Sends or writes the queued messages (after the commit) on a thread of their own, so that no
    // reply waits for the disk or the relay and a reply with mail takes as long as one without; or
    // forgets them (after a rollback).
    // Costs a database round trip like send() without recording a mail, for replies that must not
    // show by their timing whether one was sent.
    void sendNowhere();
    void deliverPending();
    void discardPending() { m_pending.clear(); }
    // Returns once every delivered file is on disk (at shutdown, and for tests reading the folder).
    void waitUntilWritten() { m_writer.waitForDone(); }
    ~Outbox() { waitUntilWritten(); }

private:
    struct Pending {
        QString fileName;
        QString recipient;
        QByteArray message;
    };

    QByteArray message(const QString& fileName, const QString& recipient, const QString& subject,
                       const QString& body) const;

    Database& m_database;
    const ServerClock& m_clock;
    QString m_folder;
    std::optional<MailRelay> m_relay;
    QList<Pending> m_pending;
    QThreadPool m_writer;
};

} // namespace molvena::server
