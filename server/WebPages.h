#pragma once

#include <QHttpServerResponse>
#include <QString>

namespace molvena::server {

class RelativeOverview;

// The HTML of the relatives' web overview and of the confirmation pages: small server-rendered
// pages in Danish that work without JavaScript, with the stylesheet and the refresh script served
// from the same origin. Every value from outside is escaped where it is put in.
class WebPages {
public:
    using Status = QHttpServerResponder::StatusCode;

    // Text for an HTML text node or a quoted attribute.
    static QString escape(const QString& text);

    // What the page's header shows: the relatives' role label, and for a signed-in relative also
    // "Log ud" (and the page gets the refresh script); or the logo alone (a player's page).
    enum class Header { relative, signedIn, plain };

    // A whole page: the header and `main` as the one main landmark's content.
    static QString document(const QString& title, const QString& main, Header header = Header::relative);
    // A page as the reply, with the pages' security headers and no caching.
    static QHttpServerResponse reply(const QString& html, Status status = Status::Ok);
    // The security headers every reply of the web overview carries.
    static void secure(QHttpServerResponse& response);
    // A 303 to `location`, optionally setting a cookie.
    static QHttpServerResponse seeOther(const QString& location, const QByteArray& cookie = {});

    // The sign-in page: what the overview is and the form that mails a link. `problem` (plain text)
    // is shown as an error above the form.
    static QString signInPage(const QString& problem = {}, const QString& email = {});
    // The "send me a link" form, for every page that offers a fresh link.
    static QString sendLinkForm(const QString& email = {});
    // The page of a sign-in link: one button, which spends it.
    static QString signInLinkPage(const QString& token);
    // A used, expired or unknown sign-in link.
    static QString refusedLinkPage();
    // The same answer after "Send mig et link", whether or not the address is known.
    static QString linkSentPage();
    // The overview's main content (also what the refresh script fetches).
    static QString overviewMain(const RelativeOverview& overview, bool alertsOn, const QString& updatedAt);
    // The unsubscribe link's pages: before the button, and after (with an undo).
    static QString unsubscribePage(const QString& token);
    static QString alertsPage(const QString& token, bool alertsOn);
    // A short page with a heading and one paragraph of plain text.
    static QString messagePage(const QString& title, const QString& text);
};

} // namespace molvena::server
