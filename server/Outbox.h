#pragma once

#include <QString>

#include <optional>

namespace molvena::server {

class Database;
class ServerClock;

// Where the server's e-mails go instead of a mail relay: a row in the `outbox` table (who, what,
// which file) and the message itself as an .eml file in the outbox folder, which a developer opens in
// any mail program and tests read. The table holds no message text, so the database never holds a
// recovery code in the clear.
class Outbox {
public:
    Outbox(Database& database, const ServerClock& clock, QString folder); // creates the folder

    QString folder() const { return m_folder; }

    // Stores one message; returns its file name inside folder(). Throws DatabaseError on failure.
    QString send(const QString& kind, const QString& recipient, const QString& subject, const QString& body,
                 std::optional<qint64> eventId = std::nullopt);

private:
    QByteArray message(const QString& recipient, const QString& subject, const QString& body) const;

    Database& m_database;
    const ServerClock& m_clock;
    QString m_folder;
};

} // namespace molvena::server
