#include "IdempotencyKeys.h"

#include "Database.h"
#include "ServerClock.h"

#include <QCryptographicHash>
#include <QSqlQuery>

namespace molvena::server {

IdempotencyKeys::Outcome IdempotencyKeys::claim(const QString& scope, const QString& path, const QString& key,
                                                const QByteArray& body,
                                                std::optional<QHttpServerResponse>& answer) {
    const qint64 now = m_clock.nowSeconds();
    if (now - m_prunedAt >= 3600) {
        m_database.run(QStringLiteral("DELETE FROM idempotency_keys WHERE created_at < ?"),
                       {now - keepSeconds});
        m_prunedAt = now;
    }
    if (m_database.kind() == Database::Kind::postgresql) {
        // Whoever runs this key holds its lock until its transaction ends. Waiting for the row itself
        // would block this instance's only thread; so when the lock is taken, the caller asks again
        // shortly, and meanwhile answers others.
        if (!m_database
                 .value(QStringLiteral("SELECT pg_try_advisory_xact_lock(hashtext(?))"),
                        {scope + QLatin1Char('\n') + path + QLatin1Char('\n') + key})
                 .toBool()) {
            return Outcome::running;
        }
    }
    // SQLite: the transaction holds the only write lock, so a concurrent first run has committed.
    const QString bodyHash =
        QString::fromLatin1(QCryptographicHash::hash(body, QCryptographicHash::Sha256).toHex());
    QSqlQuery stored = m_database.run(
        QStringLiteral("SELECT body_hash, status, content_type, answer, created_at FROM idempotency_keys "
                       "WHERE scope = ? AND path = ? AND idempotency_key = ?"),
        {scope, path, key});
    if (stored.next() && stored.value(4).toLongLong() >= now - keepSeconds) {
        const bool sameBody = stored.value(0).toString() == bodyHash;
        if (sameBody) {
            answer.emplace(stored.value(2).toByteArray(),
                           QByteArray::fromBase64(stored.value(3).toByteArray()),
                           QHttpServerResponder::StatusCode(stored.value(1).toInt()));
        }
        stored.finish();
        return sameBody ? Outcome::answered : Outcome::mismatch;
    }
    stored.finish();
    // New, or expired and not yet pruned.
    m_database.run(
        QStringLiteral("DELETE FROM idempotency_keys WHERE scope = ? AND path = ? AND idempotency_key = ?"),
        {scope, path, key});
    m_database.run(
        QStringLiteral("INSERT INTO idempotency_keys (scope, path, idempotency_key, body_hash, status, "
                       "content_type, answer, created_at) VALUES (?, ?, ?, ?, 0, '', '', ?)"),
        {scope, path, key, bodyHash, now});
    return Outcome::claimed;
}

void IdempotencyKeys::store(const QString& scope, const QString& path, const QString& key,
                            const QHttpServerResponse& answer) {
    m_database.run(QStringLiteral("UPDATE idempotency_keys SET status = ?, content_type = ?, answer = ? "
                                  "WHERE scope = ? AND path = ? AND idempotency_key = ?"),
                   {int(answer.statusCode()), QString::fromLatin1(answer.mimeType()),
                    QString::fromLatin1(answer.data().toBase64()), scope, path, key});
}

} // namespace molvena::server
