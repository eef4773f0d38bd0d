#pragma once

#include "ConfirmationEndpoints.h"
#include "Router.h"
#include "ServerContext.h"

namespace molvena::server {

// Creating a player's account, pairing relatives with the player's code, the gambling profile, the
// relatives' overview and the player's list of relatives.
class PairingEndpoints {
public:
    PairingEndpoints(ServerContext context, ConfirmationEndpoints& confirmation)
        : m_context(context), m_confirmation(confirmation) {}
    void addRoutes(Router& router);

private:
    QHttpServerResponse pairing(const ApiRequest& request);           // pairing.php
    QHttpServerResponse registerPlayer(const ApiRequest& request);    //   action "register"
    QHttpServerResponse linkRelative(const ApiRequest& request);      //   action "link"
    QHttpServerResponse unlinkRelative(const ApiRequest& request);    //   action "unlink"
    QHttpServerResponse registerDevice(const ApiRequest& request);    // mac_device_register_new.php
    QHttpServerResponse savePlayerProfile(const ApiRequest& request); // save_player_profile.php
    QHttpServerResponse relativeActivity(const ApiRequest& request);  // relative_activity.php
    QHttpServerResponse playerStatus(const ApiRequest& request);      // mac_player_status.php

    ServerContext m_context;
    ConfirmationEndpoints& m_confirmation;
};

} // namespace molvena::server
