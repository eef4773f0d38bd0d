#pragma once

#include "Router.h"
#include "ServerContext.h"

namespace molvena::server {

struct PlayerRecord;

// mac_account.php: the player's account as seen from a registered Mac, one `action` per request.
class AccountEndpoints {
public:
    static constexpr int contactLimit = 50;

    explicit AccountEndpoints(ServerContext context) : m_context(context) {}
    void addRoutes(Router& router);

private:
    QHttpServerResponse account(const ApiRequest& request);
    QHttpServerResponse profile(const PlayerRecord& player);
    QHttpServerResponse history(const PlayerRecord& player);
    QHttpServerResponse updateContacts(const PlayerRecord& player, const RequestFields& fields);
    QHttpServerResponse updatePin(const PlayerRecord& player, const RequestFields& fields);
    QHttpServerResponse updateMonthlySpend(const PlayerRecord& player, const RequestFields& fields);
    // Ends a relative's connection (the id of mac_player_status.php): the app's token, the web
    // overview's sessions and links stop working at once.
    QHttpServerResponse removeRelative(const PlayerRecord& player, const RequestFields& fields);
    QHttpServerResponse removeDevice(const PlayerRecord& player, const QString& deviceToken,
                                     const RequestFields& fields);

    ServerContext m_context;
};

} // namespace molvena::server
