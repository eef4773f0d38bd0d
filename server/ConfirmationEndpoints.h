#pragma once

#include "Router.h"
#include "ServerContext.h"

namespace molvena::server {

// Confirmation of e-mail addresses by their owners: a player's address at registration, a relative's
// at a new link and at every later link of the same address. The message's link opens a page whose
// button sends the confirmation, so a mail scanner that fetches every link confirms nothing.
class ConfirmationEndpoints {
public:
    explicit ConfirmationEndpoints(ServerContext context) : m_context(context) {}
    void addRoutes(Router& router);

    // Mails the player's address a link that confirms it (within the mail limits; `source` is the
    // client address that registered).
    void askPlayer(qint64 playerId, const QString& email, const QString& source);
    // Mails a relative's address a link that confirms it and makes its newest link take effect.
    void askRelative(qint64 relativeId, const QString& email, const QString& source, bool relink);

private:
    enum class Kind { player, relative };
    QHttpServerResponse page(Kind kind, const ApiRequest& request);    // GET: the button, nothing changes
    QHttpServerResponse confirm(Kind kind, const ApiRequest& request); // POST: the button pressed
    // A fresh token for the link, or nothing when the address had its confirmation mails for now.
    std::optional<QString> linkToken(const QString& email, const QString& source);
    QString link(Kind kind, const QString& token) const;

    ServerContext m_context;
};

} // namespace molvena::server
