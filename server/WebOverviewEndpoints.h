#pragma once

#include "Accounts.h"
#include "Router.h"
#include "ServerContext.h"

#include <QByteArray>

#include <optional>

namespace molvena::server {

// The relatives' web overview under /oversigt/: the sign-in page and its "send me a link" form,
// the sign-in links from the mails (a page whose button spends the link, so a mail scanner's GET
// spends nothing), the overview itself with its refresh fragment, logging out, and turning the
// alert mails off (one click from the mail) and on again. Every POST must come from the public
// origin; the session cookie is HttpOnly, Secure and SameSite=Strict.
class WebOverviewEndpoints {
public:
    explicit WebOverviewEndpoints(ServerContext context);
    void addRoutes(Router& router);

    static constexpr const char* cookieName = "molvena_oversigt";

private:
    QHttpServerResponse home(const ApiRequest& request);            // GET /oversigt/
    QHttpServerResponse status(const ApiRequest& request);          // GET /oversigt/status
    QHttpServerResponse linkPage(const ApiRequest& request);        // GET /oversigt/log-ind
    QHttpServerResponse signIn(const ApiRequest& request);          // POST /oversigt/log-ind
    QHttpServerResponse sendLink(const ApiRequest& request);        // POST /oversigt/send-link
    QHttpServerResponse signOut(const ApiRequest& request);         // POST /oversigt/log-ud
    QHttpServerResponse unsubscribePage(const ApiRequest& request); // GET /oversigt/afmeld
    // POST /oversigt/afmeld and /oversigt/tilmeld, by the mail's token or the session.
    QHttpServerResponse setAlerts(const ApiRequest& request, bool on);

    // The session cookie's value when it has the form of one.
    static QString sessionCookie(const ApiRequest& request);
    // The relative of the request's live session.
    std::optional<RelativeRecord> signedInRelative(const ApiRequest& request);
    // Whether a POST came from a page of this origin (Origin, else Sec-Fetch-Site).
    bool fromOwnPages(const ApiRequest& request) const;
    QByteArray cookie(const QString& value, qint64 maxAge) const;
    QString overviewMain(const RelativeRecord& relative);

    ServerContext m_context;
    QByteArray m_stylesheet;
    QByteArray m_script;
};

} // namespace molvena::server
