#include "WebSessions.h"

#include "Accounts.h"
#include "Database.h"
#include "ServerClock.h"
#include "ServerOptions.h"

#include <QCryptographicHash>
#include <QMessageAuthenticationCode>
#include <QSqlQuery>
#include <QUrl>

namespace molvena::server {

WebSessions::WebSessions(Database& database, const ServerClock& clock, const ServerOptions& options,
                         Outbox& outbox, const QByteArray& secret)
    : m_database(database), m_clock(clock), m_options(options), m_outbox(outbox),
      m_key(QMessageAuthenticationCode::hash("web", secret, QCryptographicHash::Sha256)) {}

QString WebSessions::origin() const {
    QUrl url(m_options.publicUrl);
    // A browser leaves the scheme's own port out of Origin.
    if ((url.scheme() == QLatin1String("https") && url.port() == 443) ||
        (url.scheme() == QLatin1String("http") && url.port() == 80)) {
        url.setPort(-1);
    }
    return url.adjusted(QUrl::RemoveUserInfo | QUrl::RemovePath | QUrl::RemoveQuery | QUrl::RemoveFragment)
        .toString(QUrl::FullyEncoded);
}

QString WebSessions::url(const QString& path) const {
    return origin() + path;
}

QString WebSessions::hash(const QString& secret) {
    return QString::fromLatin1(QCryptographicHash::hash(secret.toUtf8(), QCryptographicHash::Sha256).toHex());
}

QString WebSessions::mail(qint64 relativeId, const QString& recipient, const QString& kind,
                          const QString& subject, const std::function<QString(const QString& link)>& compose,
                          std::optional<qint64> eventId, bool unsubscribe) {
    const QString fileName = m_outbox.newFileName(kind);
    const QString token = Accounts::newSecret();
    m_database.run(QStringLiteral("INSERT INTO web_sign_in_tokens (token_hash, relative_id, mail_file, "
                                  "created_at) VALUES (?, ?, ?, ?)"),
                   {hash(token), relativeId, fileName, m_clock.nowSeconds()});
    Outbox::Headers headers;
    if (unsubscribe) {
        headers.append(
            {QByteArrayLiteral("List-Unsubscribe"), '<' + unsubscribeLink(relativeId).toUtf8() + '>'});
        headers.append(
            {QByteArrayLiteral("List-Unsubscribe-Post"), QByteArrayLiteral("List-Unsubscribe=One-Click")});
    }
    return m_outbox.sendAs(fileName, kind, recipient, subject,
                           compose(url(QStringLiteral("/oversigt/log-ind?token=") + token)), eventId,
                           headers);
}

QString WebSessions::unsubscribeLink(qint64 relativeId) const {
    return url(QStringLiteral("/oversigt/afmeld?token=") + unsubscribeToken(relativeId));
}

WebSessions::Link WebSessions::check(const QString& token) {
    // The mail's row is kept as long after its hand-over as the link lives; without it the link
    // has expired.
    QSqlQuery query = m_database.run(
        QStringLiteral("SELECT t.used_at, o.sent_at, o.id FROM web_sign_in_tokens t "
                       "LEFT JOIN outbox o ON o.file_name = t.mail_file WHERE t.token_hash = ?"),
        {hash(token)});
    if (!query.next()) {
        return Link::unknown;
    }
    if (!query.value(0).isNull()) {
        return Link::used;
    }
    if (query.value(2).isNull()) {
        return Link::expired;
    }
    // Not handed over yet (the relay is away): the relative cannot have it, unless the hand-over
    // went through and was not recorded; then it counts from now.
    const qint64 handedOver = query.value(1).isNull() ? m_clock.nowSeconds() : query.value(1).toLongLong();
    return m_clock.nowSeconds() < handedOver + linkLifetime ? Link::valid : Link::expired;
}

std::optional<QString> WebSessions::signIn(const QString& token, Link& state) {
    state = check(token);
    if (state != Link::valid) {
        return std::nullopt;
    }
    const qint64 now = m_clock.nowSeconds();
    // One statement judges and spends, so two presses at once open one session.
    if (m_database
            .run(QStringLiteral("UPDATE web_sign_in_tokens SET used_at = ? WHERE token_hash = ? AND "
                                "used_at IS NULL"),
                 {now, hash(token)})
            .numRowsAffected() != 1) {
        state = Link::used;
        return std::nullopt;
    }
    const qint64 relativeId =
        m_database
            .value(QStringLiteral("SELECT relative_id FROM web_sign_in_tokens WHERE token_hash = ?"),
                   {hash(token)})
            .toLongLong();
    m_database.run(QStringLiteral("DELETE FROM web_sessions WHERE expires_at < ?"), {now});
    m_database.run(QStringLiteral("DELETE FROM web_sign_in_tokens WHERE created_at < ?"),
                   {now - linkLifetime - 2 * limits::day});
    const QString session = Accounts::newSecret();
    m_database.run(QStringLiteral("INSERT INTO web_sessions (id_hash, relative_id, created_at, expires_at) "
                                  "VALUES (?, ?, ?, ?)"),
                   {hash(session), relativeId, now, now + sessionLifetime});
    return session;
}

std::optional<qint64> WebSessions::relativeForSession(const QString& sessionId) {
    const QVariant relative = m_database.value(
        QStringLiteral("SELECT s.relative_id FROM web_sessions s JOIN relatives r ON r.id = s.relative_id "
                       "WHERE s.id_hash = ? AND s.expires_at > ?"),
        {hash(sessionId), m_clock.nowSeconds()});
    return relative.isNull() || !relative.isValid() ? std::nullopt : std::optional(relative.toLongLong());
}

void WebSessions::signOut(const QString& sessionId) {
    m_database.run(QStringLiteral("DELETE FROM web_sessions WHERE id_hash = ?"), {hash(sessionId)});
}

QString WebSessions::unsubscribeToken(qint64 relativeId) const {
    // 128 bits in base64url, short enough for the List-Unsubscribe header to fit on one line.
    const QByteArray id = QByteArray::number(relativeId);
    return QString::fromLatin1(
        id + '-' +
        QMessageAuthenticationCode::hash("unsubscribe " + id, m_key, QCryptographicHash::Sha256)
            .left(16)
            .toBase64(QByteArray::Base64UrlEncoding | QByteArray::OmitTrailingEquals));
}

std::optional<qint64> WebSessions::relativeForUnsubscribeToken(const QString& token) const {
    const qsizetype dash = token.indexOf(QLatin1Char('-'));
    bool number = false;
    const qint64 id = token.left(dash).toLongLong(&number);
    if (dash <= 0 || !number || id <= 0) {
        return std::nullopt;
    }
    const QByteArray expected = unsubscribeToken(id).toLatin1();
    const QByteArray given = token.toLatin1();
    // Compared in constant time: the answer's timing must not lead a guesser digit by digit.
    if (given.size() != expected.size()) {
        return std::nullopt;
    }
    char difference = 0;
    for (qsizetype i = 0; i < given.size(); ++i) {
        difference = char(difference | (given[i] ^ expected[i]));
    }
    return difference == 0 ? std::optional(id) : std::nullopt;
}

void WebSessions::setAlerts(qint64 relativeId, bool on) {
    if (on) {
        m_database.run(QStringLiteral("UPDATE relatives SET alerts_off_at = NULL WHERE id = ?"),
                       {relativeId});
    } else {
        m_database.run(
            QStringLiteral("UPDATE relatives SET alerts_off_at = COALESCE(alerts_off_at, ?) WHERE id = ?"),
            {m_clock.nowSeconds(), relativeId});
    }
}

} // namespace molvena::server
