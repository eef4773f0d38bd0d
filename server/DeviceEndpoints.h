#pragma once

#include "Router.h"
#include "ServerContext.h"

namespace molvena::server {

// What a Mac reports and fetches about its protection: status heartbeats, alerts for the relatives,
// blocked sites, the DNS profile and the size of the blocklist.
class DeviceEndpoints {
public:
    explicit DeviceEndpoints(ServerContext context) : m_context(context) {}
    void addRoutes(Router& router);

private:
    QHttpServerResponse deviceStatus(const ApiRequest& request);     // mac_device_status.php
    QHttpServerResponse sendNotification(const ApiRequest& request); // send_notification.php
    QHttpServerResponse shieldBlocked(const ApiRequest& request);    // /shield_blocked
    QHttpServerResponse profile(const ApiRequest& request);          // get_profile_mac.php
    QHttpServerResponse count(const ApiRequest& request);            // count.php

    ServerContext m_context;
};

} // namespace molvena::server
