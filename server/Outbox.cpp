#include "Outbox.h"

#include "Database.h"
#include "ServerClock.h"
#include "StartupError.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QMessageAuthenticationCode>
#include <QSaveFile>
#include <QSqlQuery>
#include <QUuid>

namespace molvena::server {

namespace {

// RFC 2047: a header text with non-ASCII letters travels as base64 UTF-8 in encoded words of at
// most 64 characters (39 bytes of UTF-8 each, never splitting a character), folded onto new lines
// so that even the first, after "Subject: ", stays within 76.
QByteArray headerText(const QString& text) {
    const QByteArray utf8 = text.toUtf8();
    const bool ascii = std::all_of(utf8.cbegin(), utf8.cend(), [](char c) { return c >= 0x20 && c < 0x7F; });
    if (ascii && utf8.size() <= 900) {
        return utf8;
    }
    QList<QByteArray> words;
    QByteArray chunk;
    for (qsizetype i = 0; i < text.size();) {
        const qsizetype units = text[i].isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
        const QByteArray bytes = text.mid(i, units).toUtf8();
        i += units;
        if (chunk.size() + bytes.size() > 39) {
            words.append("=?UTF-8?B?" + chunk.toBase64() + "?=");
            chunk.clear();
        }
        chunk += bytes;
    }
    words.append("=?UTF-8?B?" + chunk.toBase64() + "?=");
    return words.join("\r\n ");
}

} // namespace

Outbox::Outbox(Database& database, const ServerClock& clock, QString folder, std::optional<MailRelay> relay,
               QByteArray key, OutboxSchedule schedule)
    : m_database(database), m_clock(clock), m_folder(std::move(folder)), m_relay(std::move(relay)),
      m_key(QMessageAuthenticationCode::hash("outbox", key, QCryptographicHash::Sha256)),
      m_schedule(std::move(schedule)) {
    m_writer.setMaxThreadCount(1); // in order, one relay conversation at a time
    if (!QDir().mkpath(m_folder)) {
        throw StartupError(QStringLiteral("cannot create the outbox folder ") + m_folder);
    }
    m_timer.setInterval(m_schedule.pollMilliseconds);
    connect(&m_timer, &QTimer::timeout, this, &Outbox::poll);
}

Outbox::~Outbox() {
    m_timer.stop();
    m_writer.waitForDone();
    try {
        collect();
    } catch (const DatabaseError&) {
        // What was not recorded is claimed again by an instance once the claim runs out.
    }
}

Outbox::OwnWork::OwnWork(Outbox& outbox)
    : outbox(outbox), before(outbox.m_database.roundTrips()),
      outermost(!std::exchange(outbox.m_working, true)) {}

Outbox::OwnWork::~OwnWork() {
    if (outermost) {
        outbox.m_roundTrips += outbox.m_database.roundTrips() - before;
        outbox.m_working = false;
    }
}

void Outbox::start() {
    m_timer.start();
    QTimer::singleShot(0, this, &Outbox::poll); // what an earlier run left
}

QByteArray Outbox::seal(const QByteArray& key, const QString& nonce, const QByteArray& message) {
    // HMAC-SHA256 of (nonce, block number) as a key stream: the file name is unique per mail.
    QByteArray result = message;
    const QByteArray prefix = nonce.toUtf8() + '\0';
    for (qsizetype offset = 0, block = 0; offset < result.size(); offset += 32, ++block) {
        const QByteArray stream = QMessageAuthenticationCode::hash(prefix + QByteArray::number(block), key,
                                                                   QCryptographicHash::Sha256);
        for (qsizetype i = 0; i < 32 && offset + i < result.size(); ++i) {
            result[offset + i] = char(result[offset + i] ^ stream[i]);
        }
    }
    return result;
}

QByteArray Outbox::message(const QString& fileName, const QString& recipient, const QString& subject,
                           const QString& body, const Headers& headers) const {
    const QString date = QLocale::c().toString(m_clock.now(), QStringLiteral("ddd, dd MMM yyyy HH:mm:ss")) +
                         QStringLiteral(" +0000");
    QByteArray text;
    text += "From: Molvena <no-reply@molvena.dk>\r\n";
    text += "To: " + recipient.toUtf8() + "\r\n";
    text += "Subject: " + headerText(subject) + "\r\n";
    text += "Date: " + date.toUtf8() + "\r\n";
    text += "Message-ID: <" + QFileInfo(fileName).completeBaseName().toUtf8() + "@molvena.dk>\r\n";
    for (const auto& [name, value] : headers) {
        // Folded before a long value, so that a header line stays within 78 characters.
        text += name + (name.size() + 2 + value.size() > 78 ? ":\r\n " : ": ") + value + "\r\n";
    }
    text += "MIME-Version: 1.0\r\n";
    text += "Content-Type: text/plain; charset=utf-8\r\n";
    text += "Content-Transfer-Encoding: 8bit\r\n";
    text += "\r\n";
    QString normalised = body;
    normalised.replace(QLatin1String("\r\n"), QLatin1String("\n"))
        .replace(QLatin1Char('\n'), QLatin1String("\r\n"));
    text += normalised.toUtf8();
    if (!text.endsWith("\r\n")) {
        text += "\r\n";
    }
    return text;
}

QString Outbox::newFileName(const QString& kind) const {
    return QStringLiteral("%1-%2-%3.eml")
        .arg(m_clock.now().toString(QStringLiteral("yyyyMMdd-HHmmss")),
             QUuid::createUuid().toString(QUuid::Id128).left(12), kind);
}

QString Outbox::send(const QString& kind, const QString& recipient, const QString& subject,
                     const QString& body, std::optional<qint64> eventId, const Headers& headers) {
    return sendAs(newFileName(kind), kind, recipient, subject, body, eventId, headers);
}

QString Outbox::sendAs(const QString& fileName, const QString& kind, const QString& recipient,
                       const QString& subject, const QString& body, std::optional<qint64> eventId,
                       const Headers& headers) {
    const qint64 now = m_clock.nowSeconds();
    const QByteArray sealed = seal(m_key, fileName, message(fileName, recipient, subject, body, headers));
    m_database.insert(
        QStringLiteral(
            "INSERT INTO outbox (kind, recipient, subject, file_name, event_id, created_at, state, "
            "next_attempt_at, sealed_message) VALUES (?, ?, ?, ?, ?, ?, 'due', ?, ?)"),
        {kind, recipient, subject, fileName,
         eventId ? QVariant(*eventId) : QVariant(QMetaType(QMetaType::LongLong)), now, now,
         QString::fromLatin1(sealed.toBase64())});
    m_wake = true;
    return fileName;
}

void Outbox::sendNowhere() {
    m_database.run(QStringLiteral("UPDATE outbox SET kind = kind WHERE id = ?"), {-1});
}

void Outbox::deliverPending() {
    // A moment after the reply has left, so that no reply waits for mail work and one with mail
    // takes as long as one without.
    if (std::exchange(m_wake, false)) {
        QTimer::singleShot(10, this, &Outbox::poll);
    }
}

void Outbox::poll() {
    if (m_inFlight || m_database.isLost()) {
        return; // the server reopens a lost connection; the mail waits in the database meanwhile
    }
    const OwnWork counted(*this);
    try {
        if (const qint64 now = m_clock.nowSeconds(); now - m_prunedAt >= 3600) {
            prune();
            m_prunedAt = now;
        }
        claimAndSend();
    } catch (const DatabaseError& failure) {
        // The database is away; the mail waits in it, and the next poll tries again.
        qWarning("molvena-server: the outbox cannot read the database: %s", failure.what());
    }
}

bool Outbox::claimAndSend() {
    const qint64 now = m_clock.nowSeconds();
    QList<Claimed> batch;
    Database::Transaction transaction(m_database);
    QSqlQuery due = m_database.run(
        QStringLiteral("SELECT id, file_name, recipient, sealed_message, attempts, created_at FROM outbox "
                       "WHERE state = 'due' AND next_attempt_at <= ? ORDER BY next_attempt_at, id LIMIT 10") +
            (m_database.kind() == Database::Kind::postgresql ? QStringLiteral(" FOR UPDATE SKIP LOCKED")
                                                             : QString()),
        {now});
    while (due.next()) {
        const QString fileName = due.value(1).toString();
        batch.append({due.value(0).toLongLong(), fileName, due.value(2).toString(),
                      unseal(m_key, fileName, QByteArray::fromBase64(due.value(3).toString().toLatin1())),
                      due.value(4).toInt(), due.value(5).toLongLong(), QString()});
    }
    due.finish();
    // The claim: the others leave these alone until it runs out (this instance died while sending).
    for (const Claimed& mail : batch) {
        m_database.run(QStringLiteral("UPDATE outbox SET next_attempt_at = ? WHERE id = ?"),
                       {now + m_schedule.claimSeconds, mail.id});
    }
    transaction.commit();
    if (batch.isEmpty()) {
        return false;
    }
    hand(std::move(batch));
    return true;
}

void Outbox::hand(QList<Claimed> batch) {
    m_inFlight = true;
    m_writer.start([this, batch = std::move(batch)]() mutable {
        QString unreachable;
        for (Claimed& mail : batch) {
            if (!m_relay) {
                QSaveFile file(QDir(m_folder).filePath(mail.fileName));
                if (!file.open(QIODevice::WriteOnly) || file.write(mail.message) < 0 || !file.commit()) {
                    mail.failure = QStringLiteral("cannot write the file: ") + file.errorString();
                }
            } else if (!unreachable.isEmpty()) {
                mail.failure = unreachable; // no point waiting for the same time-out again
            } else {
                mail.failure = m_relay->send(mail.recipient, mail.message);
                if (MailRelay::isUnreachable(mail.failure)) {
                    unreachable = mail.failure;
                }
            }
            mail.message.clear();
            {
                const QMutexLocker locker(&m_doneLock);
                m_done.append(std::move(mail));
            }
            // Recorded one by one: a crash in the middle sends again only what was not recorded.
            QMetaObject::invokeMethod(
                this, [this] { record(false); }, Qt::QueuedConnection);
        }
        QMetaObject::invokeMethod(
            this, [this] { record(true); }, Qt::QueuedConnection);
    });
}

void Outbox::record(bool batchDone) {
    const OwnWork counted(*this);
    try {
        collect();
    } catch (const DatabaseError& failure) {
        // Unrecorded mail is claimed again once its claim runs out, and sent again with its Message-ID.
        qWarning("molvena-server: the outbox cannot record a delivery: %s", failure.what());
    }
    if (batchDone) {
        m_inFlight = false;
        poll(); // a full batch may have left more
    }
}

void Outbox::collect() {
    QList<Claimed> done;
    {
        const QMutexLocker locker(&m_doneLock);
        done = std::exchange(m_done, {});
    }
    if (done.isEmpty()) {
        return;
    }
    const qint64 now = m_clock.nowSeconds();
    Database::Transaction transaction(m_database);
    for (const Claimed& mail : done) {
        const int attempts = mail.attempts + 1;
        if (mail.failure.isEmpty()) {
            m_database.run(QStringLiteral("UPDATE outbox SET state = 'sent', sent_at = ?, attempts = ?, "
                                          "last_error = NULL WHERE id = ?"),
                           {now, attempts, mail.id});
            ++m_sent;
        } else if (now - mail.createdAt >= m_schedule.giveUpSeconds) {
            m_database.run(
                QStringLiteral(
                    "UPDATE outbox SET state = 'failed', attempts = ?, last_error = ? WHERE id = ?"),
                {attempts, mail.failure, mail.id});
            ++m_failed;
            qWarning("molvena-server: mail %s to %s given up after %d tries: %s", qPrintable(mail.fileName),
                     qPrintable(mail.recipient), attempts, qPrintable(mail.failure));
        } else {
            const int wait = m_schedule.retrySeconds.at(
                std::min<qsizetype>(mail.attempts, m_schedule.retrySeconds.size() - 1));
            m_database.run(
                QStringLiteral(
                    "UPDATE outbox SET attempts = ?, last_error = ?, next_attempt_at = ? WHERE id = ?"),
                {attempts, mail.failure, now + wait, mail.id});
            if (attempts == 1) {
                qWarning("molvena-server: mail %s not delivered yet, tried again in %d s: %s",
                         qPrintable(mail.fileName), wait, qPrintable(mail.failure));
            }
        }
    }
    transaction.commit();
}

void Outbox::waitUntilWritten() {
    const OwnWork counted(*this);
    for (;;) {
        m_writer.waitForDone();
        collect();
        m_inFlight = false;
        if (!claimAndSend()) {
            return;
        }
    }
}

QPair<qint64, qint64> Outbox::backlog() {
    QSqlQuery query =
        m_database.run(QStringLiteral("SELECT COUNT(*), MIN(created_at) FROM outbox WHERE state = 'due'"));
    QPair<qint64, qint64> result{0, 0};
    if (query.next()) {
        result.first = query.value(0).toLongLong();
        if (!query.value(1).isNull()) {
            result.second = std::max<qint64>(0, m_clock.nowSeconds() - query.value(1).toLongLong());
        }
    }
    query.finish();
    return result;
}

void Outbox::prune() {
    // Never a due mail, however old: it is still being tried. A sent one is kept as long after its
    // hand-over as its sign-in link lives, since the link's age is read from it.
    m_database.run(QStringLiteral("DELETE FROM outbox WHERE state IN ('sent', 'failed') AND "
                                  "COALESCE(sent_at, created_at) < ?"),
                   {m_clock.nowSeconds() - qint64(m_schedule.keepDays) * 24 * 3600});
}

} // namespace molvena::server
