#pragma once

#include "ServerOptions.h"

#include <QElapsedTimer>
#include <QHash>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QVariant>

#include <initializer_list>
#include <stdexcept>

namespace molvena::server {

// A statement that failed in the database. The router logs its text and answers a plain 500;
// nothing of it reaches a reply. A conflict (a unique key another request took first, a deadlock)
// is worth running the whole request again: the second run sees the winner and answers as if the
// two had come one after the other. An unavailable database (connection lost, a lock or statement
// time-out) is answered at once with 503 and Retry-After.
class DatabaseError : public std::runtime_error {
public:
    enum class Kind { failure, conflict, unavailable };
    explicit DatabaseError(const std::string& what, Kind kind = Kind::failure)
        : std::runtime_error(what), m_kind(kind) {}
    bool isConflict() const { return m_kind == Kind::conflict; }
    bool isUnavailable() const { return m_kind == Kind::unavailable; }

private:
    Kind m_kind;
};

// The server's one SQL connection: SQLite in the data folder (WAL, so readers never wait for the
// writer) or PostgreSQL from a connection string. The SQL is written to run unchanged on both; only
// the type of the generated keys differs. Every statement is prepared with bound values; on
// PostgreSQL each is prepared once per connection and then only executed, one round trip each.
//
// Durability is the same on both: a committed request survives a crash of this server, while a
// power cut or a crash of the machine holding the data (or of PostgreSQL) may lose the last moment
// of commits, never consistency: SQLite runs synchronous=NORMAL, PostgreSQL synchronous_commit=off.
class Database {
public:
    enum class Kind { sqlite, postgresql };

    explicit Database(const ServerOptions& options); // throws StartupError
    ~Database();
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    Kind kind() const { return m_kind; }
    QString connectionName() const { return m_connectionName; }

    // Runs a fixed statement without values (schema, settings), which PostgreSQL cannot prepare.
    void execute(const QString& sql);
    // Prepares `sql`, binds `values` to its "?" placeholders in order and runs it. Throws DatabaseError.
    QSqlQuery run(const QString& sql, std::initializer_list<QVariant> values = {});
    // run() of an INSERT and the new row's generated id (read back in the same round trip).
    qint64 insert(const QString& sql, std::initializer_list<QVariant> values);
    // run() and the first column of the first row, or an invalid QVariant when there is no row.
    QVariant value(const QString& sql, std::initializer_list<QVariant> values = {});

    // After a failed request, outside any transaction: true when the connection had been lost
    // (the database restarted, the connection was killed) and a new one is open now.
    bool reconnectIfLost();
    // Whether the connection is known to be gone: every statement fails at once until
    // reconnectIfLost() succeeds.
    bool isLost() const { return m_lost; }
    // Statements sent to the database since the start, each one round trip (for measurements).
    qint64 roundTrips() const { return m_roundTrips; }

    // All-or-nothing for a group of statements: rolls back unless commit() was reached. Nested in
    // another (every request runs in one), it joins the outer one.
    class Transaction {
    public:
        explicit Transaction(Database& database);
        ~Transaction();
        Transaction(const Transaction&) = delete;
        Transaction& operator=(const Transaction&) = delete;
        void commit();

    private:
        Database& m_database;
        bool m_outermost = false;
        bool m_done = false;
    };

private:
    void open(const ServerOptions& options);
    void configureSession();
    void throwIfLost() const;
    void createSchema();
    void addColumnIfMissing(QLatin1String table, QLatin1String column, QLatin1String type);
    QSqlQuery prepared(const QString& sql);
    [[noreturn]] void fail(const char* what, const QSqlError& error, const QString& sql);

    DatabaseTimeouts m_timeouts;
    Kind m_kind = Kind::sqlite;
    QString m_connectionName;
    QSqlDatabase m_database;
    QHash<QString, QSqlQuery> m_statements; // PostgreSQL: prepared once per connection
    int m_transactionDepth = 0;
    bool m_transactionFailed = false;
    bool m_lost = false;
    QElapsedTimer m_lastReconnect;
    qint64 m_roundTrips = 0;
};

} // namespace molvena::server
