#pragma once

#include "AbuseLimits.h"
#include "Outbox.h"

#include <QByteArray>
#include <QString>

#include <functional>
#include <optional>

namespace molvena::server {

class Database;
class ServerClock;
struct ServerOptions;

// The web overview's ways in for relatives: sign-in links that travel in their mails, the
// sessions those links open, and the unsubscribe links of the alert mails.
//
// A sign-in token is used once and lives a week from the moment its mail was handed to the relay
// (the outbox may try for a day first), read from the outbox row the token names. A session lives
// a month, until the relative logs out, or until the relative is removed. Only SHA-256 hashes of
// tokens and session ids are stored. An unsubscribe token is derived from the relative's id with
// the servers' shared key, so every mail can carry it without storing it.
class WebSessions {
public:
    static constexpr qint64 linkLifetime = 7 * limits::day;
    static constexpr qint64 sessionLifetime = 30 * limits::day;

    enum class Link { valid, used, expired, unknown };

    WebSessions(Database& database, const ServerClock& clock, const ServerOptions& options, Outbox& outbox,
                const QByteArray& secret);

    // The public origin ("https://host:port"), which a POST's Origin must name.
    QString origin() const;
    // An absolute URL on the public origin for a path from the root.
    QString url(const QString& path) const;

    // Mails the relative the body that `compose` makes around a fresh sign-in link for that very
    // mail. With `unsubscribe`, the mail carries List-Unsubscribe headers for one-click
    // unsubscribing (the body can show unsubscribeLink() too).
    QString mail(qint64 relativeId, const QString& recipient, const QString& kind, const QString& subject,
                 const std::function<QString(const QString& link)>& compose,
                 std::optional<qint64> eventId = std::nullopt, bool unsubscribe = false);
    QString unsubscribeLink(qint64 relativeId) const;

    // What a token is worth, without spending it.
    Link check(const QString& token);
    // Spends a valid token and opens a session for its relative: the new session id, or nothing
    // (and why in `state`).
    std::optional<QString> signIn(const QString& token, Link& state);
    // The relative of a live session.
    std::optional<qint64> relativeForSession(const QString& sessionId);
    void signOut(const QString& sessionId);

    QString unsubscribeToken(qint64 relativeId) const;
    std::optional<qint64> relativeForUnsubscribeToken(const QString& token) const;
    void setAlerts(qint64 relativeId, bool on);

    static QString hash(const QString& secret);

private:
    Database& m_database;
    const ServerClock& m_clock;
    const ServerOptions& m_options;
    Outbox& m_outbox;
    QByteArray m_key;
};

} // namespace molvena::server
