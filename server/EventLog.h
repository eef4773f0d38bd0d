#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace molvena::server {

class Accounts;
class Database;
class WebSessions;
class ServerClock;
struct PlayerRecord;

// The player's events: what the settings history and the relatives' overview list. Alerts from a
// Mac are also delivered to every connected relative as an e-mail in the outbox.
class EventLog {
public:
    struct Entry {
        QString type;     // "blocked", "milestone", "vpn", "protection", "device"
        QString title;    // Danish headline
        QString subtitle; // Danish second line, may be empty
    };

    EventLog(Database& database, const ServerClock& clock, Accounts& accounts, WebSessions& webSessions);

    // How an alert reason is shown, or nothing for a reason this server does not know. `browser`
    // names the browser of "mac_browser_dns_bypass", one of knownBrowsers().
    static std::optional<Entry> alertEntry(const QString& reason, const QString& browser = {});
    // The browsers a Mac can name; anything else is not passed on to a relative.
    static const QStringList& knownBrowsers();

    qint64 record(qint64 playerId, const Entry& entry, const QString& domain = {},
                  const QString& reason = {});
    // Records that a Mac whose last report was active has been silent for three heartbeats, once per
    // silence, for each such Mac of the player.
    void noteSilentDevices(qint64 playerId);
    // Records and delivers that a Mac has left the player's account.
    void deviceLeft(const PlayerRecord& player, const QString& deviceName);

    // Records the alert and delivers it to each relative of the player who confirmed the address and
    // has not unsubscribed, with a sign-in link to the web overview and an unsubscribe link.
    // Returns the event id.
    qint64 raiseAlert(const PlayerRecord& player, const QString& reason, const Entry& entry,
                      const QString& domain);

private:
    Database& m_database;
    const ServerClock& m_clock;
    Accounts& m_accounts;
    WebSessions& m_webSessions;
};

} // namespace molvena::server
