#pragma once

#include "Router.h"
#include "ServerContext.h"

namespace molvena::server {

// Creating a player's account, pairing relatives with the player's code, the gambling profile, the
// relatives' overview and the player's list of relatives.
class PairingEndpoints {
public:
    explicit PairingEndpoints(ServerContext context) : m_context(context) {}
    void addRoutes(Router& router);

private:
    QHttpServerResponse pairing(const ApiRequest& request);           // pairing.php
    QHttpServerResponse registerPlayer(const ApiRequest& request);    //   action "register"
    QHttpServerResponse linkRelative(const ApiRequest& request);      //   action "link"
    QHttpServerResponse registerDevice(const ApiRequest& request);    // mac_device_register_new.php
    QHttpServerResponse savePlayerProfile(const ApiRequest& request); // save_player_profile.php
    QHttpServerResponse relativeActivity(const ApiRequest& request);  // relative_activity.php
    QHttpServerResponse playerStatus(const ApiRequest& request);      // mac_player_status.php
    QHttpServerResponse confirmRelative(const ApiRequest& request);   // confirm_relative.php (mail link)

    // A new pairing's address gets one message asking whether it wants the player's alerts.
    void askForConfirmation(qint64 relativeId, const QString& email);

    ServerContext m_context;
};

} // namespace molvena::server
