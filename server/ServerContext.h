#pragma once

namespace molvena::server {

class Accounts;
class AttemptLimiter;
class Blocklist;
class Database;
class EventLog;
class Outbox;
class RecoveryCodes;
class ServerClock;
struct ServerOptions;
class WebSessions;

// The parts of one running server that the endpoint groups share. MolvenaServer owns them all.
struct ServerContext {
    const ServerOptions& options;
    const ServerClock& clock;
    Database& database;
    Accounts& accounts;
    AttemptLimiter& limiter;
    EventLog& events;
    Outbox& outbox;
    RecoveryCodes& recoveryCodes;
    Blocklist& blocklist;
    WebSessions& webSessions;
};

} // namespace molvena::server
