#pragma once

#include "MailRelay.h"
#include "ServerOptions.h"

#include <QList>
#include <QMutex>
#include <QObject>
#include <QString>
#include <QThreadPool>
#include <QTimer>

#include <optional>

namespace molvena::server {

class Database;
class ServerClock;

// The server's e-mails, durable: each is a row of the `outbox` table written in the transaction of
// the request that causes it, so a rolled-back request mails nobody and a committed one is never
// lost, whatever happens to this process afterwards. The message is stored sealed with the servers'
// shared key (the database never holds a recovery code in the clear), with its Message-ID built
// from the row's file name, so a mail sent twice after a crash is recognisably the same mail.
//
// A worker in every instance claims due rows (on PostgreSQL with FOR UPDATE SKIP LOCKED, so
// instances never take the same ones; on SQLite the single writer does that), hands them to the
// SMTP relay or writes them as .eml files in folder() on a thread of its own, and records the
// answer: sent, or the next try after a growing wait, or failed after a day (logged and counted).
class Outbox : public QObject {
    Q_OBJECT
public:
    // Creates the folder. `key` seals the stored messages (every instance must have the same).
    Outbox(Database& database, const ServerClock& clock, QString folder, std::optional<MailRelay> relay,
           QByteArray key, OutboxSchedule schedule = {});
    ~Outbox() override;

    QString folder() const { return m_folder; }

    // Extra header lines of a message (ASCII), such as List-Unsubscribe.
    using Headers = QList<QPair<QByteArray, QByteArray>>;

    // Records one message in the current transaction; returns its file name (the .eml file inside
    // folder() when no relay is configured). Throws DatabaseError on failure.
    QString send(const QString& kind, const QString& recipient, const QString& subject, const QString& body,
                 std::optional<qint64> eventId = std::nullopt, const Headers& headers = {});
    // send() under a name from newFileName(), for a message whose body must name its own mail.
    QString sendAs(const QString& fileName, const QString& kind, const QString& recipient,
                   const QString& subject, const QString& body, std::optional<qint64> eventId = std::nullopt,
                   const Headers& headers = {});
    QString newFileName(const QString& kind) const;
    // Costs a database round trip like send() without recording a mail, for replies that must not
    // show by their timing whether one was sent.
    void sendNowhere();
    // After the request committed: look for due mail now rather than at the next poll; or, after a
    // rollback, don't.
    void deliverPending();
    void discardPending() { m_wake = false; }
    // Starts the worker's polling.
    void start();
    // Sends everything due now and returns once it has been handed over (at shutdown, and for tests
    // reading the folder).
    void waitUntilWritten();

    // For the metrics: mails this instance handed over, and those it gave up on.
    qint64 sentCount() const { return m_sent; }
    qint64 failedCount() const { return m_failed; }
    // Database round trips of the worker, apart from the requests'.
    qint64 roundTrips() const { return m_roundTrips; }
    // Due mails in the table (every instance's) and the age of the oldest, in seconds.
    QPair<qint64, qint64> backlog();

    // The stored form of a message and back (a keyed stream, per-mail nonce).
    static QByteArray seal(const QByteArray& key, const QString& nonce, const QByteArray& message);
    static QByteArray unseal(const QByteArray& key, const QString& nonce, const QByteArray& sealed) {
        return seal(key, nonce, sealed);
    }

private:
    struct Claimed {
        qint64 id;
        QString fileName;
        QString recipient;
        QByteArray message;
        int attempts;
        qint64 createdAt;
        QString failure; // filled by the sender
    };

    // Counts the round trips of the worker's own work while it lives.
    struct OwnWork {
        explicit OwnWork(Outbox& outbox);
        ~OwnWork();
        Outbox& outbox;
        qint64 before;
        bool outermost;
    };

    QByteArray message(const QString& fileName, const QString& recipient, const QString& subject,
                       const QString& body, const Headers& headers) const;
    void poll();
    // Claims a batch of due rows and sends them on the writer thread; false when none was due.
    bool claimAndSend();
    void hand(QList<Claimed> batch);
    // Records the answers the writer thread left.
    void collect();
    void record(bool batchDone);
    void prune();

    Database& m_database;
    const ServerClock& m_clock;
    QString m_folder;
    std::optional<MailRelay> m_relay;
    QByteArray m_key;
    OutboxSchedule m_schedule;
    QTimer m_timer;
    bool m_wake = false;
    bool m_inFlight = false;
    qint64 m_sent = 0;
    qint64 m_failed = 0;
    qint64 m_prunedAt = 0;
    qint64 m_roundTrips = 0;
    bool m_working = false;
    QMutex m_doneLock;
    QList<Claimed> m_done; // guarded by m_doneLock
    QThreadPool m_writer;
};

} // namespace molvena::server
