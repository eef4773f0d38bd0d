#include "Outbox.h"

#include "Database.h"
#include "ServerClock.h"
#include "StartupError.h"

#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QSaveFile>
#include <QThread>
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

Outbox::Outbox(Database& database, const ServerClock& clock, QString folder, std::optional<MailRelay> relay)
    : m_database(database), m_clock(clock), m_folder(std::move(folder)), m_relay(std::move(relay)) {
    m_writer.setMaxThreadCount(1); // in order, one file at a time
    if (!QDir().mkpath(m_folder)) {
        throw StartupError(QStringLiteral("cannot create the outbox folder ") + m_folder);
    }
}

QByteArray Outbox::message(const QString& fileName, const QString& recipient, const QString& subject,
                           const QString& body) const {
    const QString date = QLocale::c().toString(m_clock.now(), QStringLiteral("ddd, dd MMM yyyy HH:mm:ss")) +
                         QStringLiteral(" +0000");
    QByteArray text;
    text += "From: Molvena <no-reply@molvena.dk>\r\n";
    text += "To: " + recipient.toUtf8() + "\r\n";
    text += "Subject: " + headerText(subject) + "\r\n";
    text += "Date: " + date.toUtf8() + "\r\n";
    text += "Message-ID: <" + QFileInfo(fileName).completeBaseName().toUtf8() + "@molvena.dk>\r\n";
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

QString Outbox::send(const QString& kind, const QString& recipient, const QString& subject,
                     const QString& body, std::optional<qint64> eventId) {
    const qint64 now = m_clock.nowSeconds();
    const QString fileName = QStringLiteral("%1-%2-%3.eml")
                                 .arg(m_clock.now().toString(QStringLiteral("yyyyMMdd-HHmmss")),
                                      QUuid::createUuid().toString(QUuid::Id128).left(12), kind);
    m_database.insert(
        QStringLiteral("INSERT INTO outbox (kind, recipient, subject, file_name, event_id, created_at) "
                       "VALUES (?, ?, ?, ?, ?, ?)"),
        {kind, recipient, subject, fileName,
         eventId ? QVariant(*eventId) : QVariant(QMetaType(QMetaType::LongLong)), now});
    m_pending.append({fileName, recipient, message(fileName, recipient, subject, body)});
    return fileName;
}

void Outbox::sendNowhere() {
    m_database.run(QStringLiteral("UPDATE outbox SET kind = kind WHERE id = ?"), {-1});
}

void Outbox::deliverPending() {
    if (m_pending.isEmpty()) {
        return;
    }
    m_writer.start([pending = std::exchange(m_pending, {}), folder = m_folder, relay = m_relay] {
        for (const Pending& mail : pending) {
            if (relay) {
                // A relay that is restarting gets a few chances, a few seconds apart.
                QString failure;
                for (int attempt = 0; attempt < 3; ++attempt) {
                    if (attempt > 0) {
                        QThread::sleep(2 * attempt);
                    }
                    if ((failure = relay->send(mail.recipient, mail.message)).isEmpty()) {
                        break;
                    }
                }
                if (!failure.isEmpty()) {
                    qWarning("molvena-server: mail %s not delivered: %s", qPrintable(mail.fileName),
                             qPrintable(failure));
                }
                continue;
            }
            QSaveFile file(QDir(folder).filePath(mail.fileName));
            if (!file.open(QIODevice::WriteOnly) || file.write(mail.message) < 0 || !file.commit()) {
                qWarning("molvena-server: cannot write the outbox file %s", qPrintable(mail.fileName));
            }
        }
    });
}

} // namespace molvena::server
