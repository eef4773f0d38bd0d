#include "RecoveryCodes.h"

#include "AbuseLimits.h"
#include "Accounts.h"
#include "AttemptLimiter.h"
#include "ClientNetwork.h"
#include "Database.h"
#include "ServerClock.h"
#include "StartupError.h"

#include <QMessageAuthenticationCode>
#include <QRandomGenerator>
#include <QSqlQuery>

namespace molvena::server {

namespace {

QByteArray randomBytes(int count) {
    QByteArray bytes(count, Qt::Uninitialized);
    QRandomGenerator::system()->generate(bytes.begin(), bytes.end());
    return bytes;
}

// Compares without an early exit, so the time taken tells nothing about how much matched.
bool sameBytes(const QByteArray& left, const QByteArray& right) {
    if (left.size() != right.size()) {
        return false;
    }
    unsigned char difference = 0;
    for (qsizetype i = 0; i < left.size(); ++i) {
        difference |= static_cast<unsigned char>(left[i] ^ right[i]);
    }
    return difference == 0;
}

} // namespace

RecoveryCodes::RecoveryCodes(Database& database, const ServerClock& clock, AttemptLimiter& limiter,
                             QByteArray key)
    : m_database(database), m_clock(clock), m_limiter(limiter), m_key(std::move(key)) {}

void RecoveryCodes::claimKey() {
    // A fingerprint, not the key: whoever reads the database learns nothing to compute codes with.
    const QString fingerprint = QString::fromLatin1(
        QMessageAuthenticationCode::hash("molvena recovery key", m_key, QCryptographicHash::Sha256).toHex());
    Database::Transaction transaction(m_database);
    m_database.run(QStringLiteral("INSERT INTO settings (name, value) VALUES ('recovery_key', ?) "
                                  "ON CONFLICT (name) DO NOTHING"),
                   {fingerprint});
    const QString claimed =
        m_database.value(QStringLiteral("SELECT value FROM settings WHERE name = 'recovery_key'")).toString();
    transaction.commit();
    if (claimed != fingerprint) {
        throw StartupError(QStringLiteral(
            "the recovery key differs from the one this database was started with: every instance "
            "needs the same --secret-file, or codes issued by one are refused by another"));
    }
}

QByteArray RecoveryCodes::hash(const QByteArray& salt, const QString& code) const {
    return QMessageAuthenticationCode::hash(salt + code.toLatin1(), m_key, QCryptographicHash::Sha256);
}

std::optional<QString> RecoveryCodes::issue(const QString& email, const QString& role,
                                            const QString& source) {
    const QString key = Accounts::emailKey(email);
    const qint64 now = m_clock.nowSeconds();
    // Counted per requesting network: codes that strangers elsewhere ask for use up none of the
    // owner's (a code works only from the address that asked for it anyway).
    if (!m_limiter.take(QStringLiteral("recovery_code"),
                        role + QLatin1Char(':') + key + QLatin1Char(' ') + ClientNetwork::widest(source),
                        limits::recoveryCodesPerEmailAndNetwork)) {
        return std::nullopt;
    }
    const QString code =
        QStringLiteral("%1").arg(QRandomGenerator::system()->bounded(1000000), 6, 10, QLatin1Char('0'));
    const QByteArray salt = randomBytes(16);
    Database::Transaction transaction(m_database);
    m_database.run(QStringLiteral("DELETE FROM recovery_codes WHERE created_at < ?"), {now - limits::day});
    m_database.run(QStringLiteral("UPDATE recovery_codes SET used_at = ? "
                                  "WHERE email_key = ? AND role = ? AND source = ? AND used_at IS NULL"),
                   {now, key, role, source});
    m_database.run(QStringLiteral("INSERT INTO recovery_codes (email_key, role, salt, code_hash, expires_at, "
                                  "attempts, created_at, source) VALUES (?, ?, ?, ?, ?, 0, ?, ?)"),
                   {key, role, QString::fromLatin1(salt.toHex()),
                    QString::fromLatin1(hash(salt, code).toHex()), now + limits::recoveryCodeLifetime, now,
                    source});
    transaction.commit();
    return code;
}

bool RecoveryCodes::verify(const QString& email, const QString& role, const QString& code,
                           const QString& source) {
    QSqlQuery query = m_database.run(
        QStringLiteral("SELECT id, salt, code_hash, expires_at FROM recovery_codes WHERE email_key = ? AND "
                       "role = ? AND source = ? AND used_at IS NULL ORDER BY id DESC LIMIT 1"),
        {Accounts::emailKey(email), role, source});
    if (!query.next()) {
        return false;
    }
    const qint64 id = query.value(0).toLongLong();
    const QByteArray salt = QByteArray::fromHex(query.value(1).toString().toLatin1());
    const QByteArray stored = QByteArray::fromHex(query.value(2).toString().toLatin1());
    const qint64 expiresAt = query.value(3).toLongLong();
    query.finish();
    const qint64 now = m_clock.nowSeconds();
    if (now >= expiresAt) {
        return false;
    }
    // Every guess, right or wrong, takes one of the attempts before it is judged; the condition in
    // the statement keeps the count exact when guesses arrive at the same time.
    const int counted = m_database
                            .run(QStringLiteral("UPDATE recovery_codes SET attempts = attempts + 1 "
                                                "WHERE id = ? AND attempts < ?"),
                                 {id, limits::guessesPerRecoveryCode})
                            .numRowsAffected();
    if (counted != 1 || !sameBytes(hash(salt, code), stored)) {
        return false;
    }
    // Only one request can use a code, even when two arrive with it at once.
    return m_database
               .run(QStringLiteral("UPDATE recovery_codes SET used_at = ? WHERE id = ? AND used_at IS NULL"),
                    {now, id})
               .numRowsAffected() == 1;
}

} // namespace molvena::server
