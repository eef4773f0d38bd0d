#pragma once

#include <QtGlobal>

namespace molvena::server {

class Database;
class ServerClock;

// The gambling domains that the protective resolver blocks. The list ships with the server
// (data/blocklist.txt, compiled in) and is merged into the `blocklist` table at every start, so a
// longer list in a new release reaches an existing database.
class Blocklist {
public:
    Blocklist(Database& database, const ServerClock& clock);

    void seed();
    qint64 count();

private:
    Database& m_database;
    const ServerClock& m_clock;
};

} // namespace molvena::server
