#pragma once

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QVariant>

#include <initializer_list>
#include <stdexcept>

namespace molvena::server {

struct ServerOptions;

// A statement that failed in the database. The router logs its text and answers a plain 500;
// nothing of it reaches a reply.
class DatabaseError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The server's one SQL connection: SQLite in the data folder (WAL, so readers never wait for the
// writer) or PostgreSQL from a connection string. The SQL is written to run unchanged on both; only
// the type of the generated keys differs. Every statement is prepared with bound values.
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
    // run() and the new row's generated id.
    qint64 insert(const QString& sql, std::initializer_list<QVariant> values);
    // run() and the first column of the first row, or an invalid QVariant when there is no row.
    QVariant value(const QString& sql, std::initializer_list<QVariant> values = {});

    // All-or-nothing for a group of statements: rolls back unless commit() was reached.
    class Transaction {
    public:
        explicit Transaction(Database& database);
        ~Transaction();
        Transaction(const Transaction&) = delete;
        Transaction& operator=(const Transaction&) = delete;
        void commit();

    private:
        Database& m_database;
        bool m_done = false;
    };

private:
    void open(const ServerOptions& options);
    void createSchema();

    Kind m_kind = Kind::sqlite;
    QString m_connectionName;
    QSqlDatabase m_database;
};

} // namespace molvena::server
