#pragma once

#include "Router.h"
#include "ServerContext.h"

namespace molvena::server {

// Bringing an account onto a new Mac with a code sent by e-mail. No reply tells whether an address
// has an account: a request always gets the same answer, and every failed verification the same
// refusal.
class RecoveryEndpoints {
public:
    explicit RecoveryEndpoints(ServerContext context) : m_context(context) {}
    void addRoutes(Router& router);

private:
    QHttpServerResponse request(const ApiRequest& request);        // recovery_request.php
    QHttpServerResponse verifyRelative(const ApiRequest& request); // recovery_verify.php
    QHttpServerResponse verifyPlayer(const ApiRequest& request);   // mac_recovery_verify.php
    // Checks the code within the client address's budget of wrong codes.
    bool codeAccepted(const ApiRequest& incoming, const QString& email, const QString& role,
                      const QString& code);

    ServerContext m_context;
};

} // namespace molvena::server
