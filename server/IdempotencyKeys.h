#pragma once

#include <QByteArray>
#include <QHttpServerResponse>
#include <QString>

#include <optional>

namespace molvena::server {

class Database;
class ServerClock;

// The answers to POSTs that named an Idempotency-Key, so a request sent again is answered as the
// first was without running again. A key is claimed in the request's own transaction before the
// work, and its answer stored in the same one, so a key is never kept without its answer nor an
// answer without the work done. Keys are scoped to the device (or client address) and the path,
// kept a day.
class IdempotencyKeys {
public:
    enum class Outcome {
        claimed,  // first time: do the work, then store()
        answered, // done before: `answer` holds the reply
        mismatch, // the key came before with another body
        running,  // another request with this key is running now (here or at another instance)
    };

    IdempotencyKeys(Database& database, const ServerClock& clock) : m_database(database), m_clock(clock) {}

    // Inside the request's transaction. Never waits for the other request's transaction.
    Outcome claim(const QString& scope, const QString& path, const QString& key, const QByteArray& body,
                  std::optional<QHttpServerResponse>& answer);
    void store(const QString& scope, const QString& path, const QString& key,
               const QHttpServerResponse& answer);

    static constexpr qint64 keepSeconds = 24 * 3600;

private:
    Database& m_database;
    const ServerClock& m_clock;
    qint64 m_prunedAt = 0;
};

} // namespace molvena::server
