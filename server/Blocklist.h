#pragma once

#include <QStringList>
#include <QtGlobal>

namespace molvena::server {

class Database;
class ServerClock;

// The gambling domains that the protective resolver blocks. The list ships with the server
// (data/blocklist.txt, compiled in) and is merged into the `blocklist` table at every start, so a
// longer list in a new release reaches an existing database. An operator's own list (see
// BlocklistImport) is kept beside it and replaced whole by the next import.
class Blocklist {
public:
    Blocklist(Database& database, const ServerClock& clock);

    void seed();
    qint64 count();
    // Replaces the imported domains (the built-in ones stay). Throws DatabaseError.
    void replaceImported(const QStringList& domains);
    // Every blocked domain, the canary's included, in sorted order.
    QStringList domains();

private:
    Database& m_database;
    const ServerClock& m_clock;
};

} // namespace molvena::server
