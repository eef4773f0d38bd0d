#include "Blocklist.h"

#include "Database.h"
#include "ServerClock.h"
#include "StartupError.h"

#include <QFile>
#include <QSqlError>
#include <QSqlQuery>

namespace molvena::server {

Blocklist::Blocklist(Database& database, const ServerClock& clock) : m_database(database), m_clock(clock) {}

void Blocklist::seed() {
    QFile list(QStringLiteral(":/molvena-server/blocklist.txt"));
    if (!list.open(QIODevice::ReadOnly | QIODevice::Text)) {
        throw StartupError(QStringLiteral("the built-in blocklist is missing"));
    }
    const qint64 now = m_clock.nowSeconds();
    Database::Transaction transaction(m_database);
    while (!list.atEnd()) {
        const QString domain = QString::fromUtf8(list.readLine()).trimmed().toLower();
        if (domain.isEmpty() || domain.startsWith(QLatin1Char('#'))) {
            continue;
        }
        const QString category = domain.endsWith(QLatin1String(".molvena.dk")) ? QStringLiteral("canary")
                                 : domain.endsWith(QLatin1String(".dk"))       ? QStringLiteral("danish")
                                                                         : QStringLiteral("international");
        m_database.run(QStringLiteral("INSERT INTO blocklist (domain, category, added_at) VALUES (?, ?, ?) "
                                      "ON CONFLICT (domain) DO NOTHING"),
                       {domain, category, now});
    }
    transaction.commit();
}

qint64 Blocklist::count() {
    return m_database.value(QStringLiteral("SELECT COUNT(*) FROM blocklist WHERE category <> 'canary'"))
        .toLongLong();
}

void Blocklist::replaceImported(const QStringList& domains) {
    const qint64 now = m_clock.nowSeconds();
    Database::Transaction transaction(m_database);
    m_database.run(QStringLiteral("DELETE FROM blocklist WHERE category = 'imported'"));
    // One statement prepared once: half a million rows must take seconds, not minutes.
    QSqlQuery insert(QSqlDatabase::database(m_database.connectionName()));
    if (!insert.prepare(
            QStringLiteral("INSERT INTO blocklist (domain, category, added_at) VALUES (?, 'imported', ?) "
                           "ON CONFLICT (domain) DO NOTHING"))) {
        throw DatabaseError(insert.lastError().text().toStdString());
    }
    for (const QString& domain : domains) {
        insert.bindValue(0, domain);
        insert.bindValue(1, now);
        if (!insert.exec()) {
            throw DatabaseError(insert.lastError().text().toStdString());
        }
    }
    transaction.commit();
}

QStringList Blocklist::domains() {
    QStringList result;
    QSqlQuery query = m_database.run(QStringLiteral("SELECT domain FROM blocklist ORDER BY domain"));
    while (query.next()) {
        result.append(query.value(0).toString());
    }
    return result;
}

} // namespace molvena::server
