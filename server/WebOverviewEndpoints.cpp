#include "WebOverviewEndpoints.h"

#include "AbuseLimits.h"
#include "Accounts.h"
#include "AttemptLimiter.h"
#include "ClientNetwork.h"
#include "Outbox.h"
#include "RelativeOverview.h"
#include "ReplyError.h"
#include "ServerClock.h"
#include "WebPages.h"
#include "WebSessions.h"

#include <QFile>
#include <QRegularExpression>

namespace molvena::server {

namespace {

using Method = Router::Method;
using Status = QHttpServerResponder::StatusCode;

const QString homePath = QStringLiteral("/oversigt/");

QByteArray resource(const QString& name) {
    QFile file(QStringLiteral(":/molvena-server/web/") + name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A secret of ours has 48 lower-case hexadecimal digits; anything else is no token at all.
QString hexToken(const QString& text) {
    static const QRegularExpression form(QStringLiteral("^[0-9a-f]{48}$"));
    return form.match(text).hasMatch() ? text : QString();
}

QHttpServerResponse asset(const QByteArray& type, const QByteArray& body) {
    QHttpServerResponse response(type, body);
    WebPages::secure(response);
    response.addHeader(QByteArrayLiteral("Cache-Control"), QByteArrayLiteral("public, max-age=604800"));
    return response;
}

QHttpServerResponse foreignForm() {
    return WebPages::reply(
        WebPages::messagePage(QStringLiteral("Handlingen blev afvist"),
                              QStringLiteral("Formularen kom ikke fra Molvenas egen side. Gå til "
                                             "støtteoverblikket, og prøv igen.")),
        Status::Forbidden);
}

QHttpServerResponse invalidUnsubscribeLink() {
    return WebPages::reply(WebPages::messagePage(QStringLiteral("Linket virker ikke"),
                                                 QStringLiteral("Linket er ikke gyldigt. Du kan afmelde "
                                                                "advarsler på støtteoverblikket.")),
                           Status::NotFound);
}

} // namespace

WebOverviewEndpoints::WebOverviewEndpoints(ServerContext context)
    : m_context(context), m_stylesheet(resource(QStringLiteral("oversigt.css"))),
      m_script(resource(QStringLiteral("oversigt.js"))) {}

void WebOverviewEndpoints::addRoutes(Router& router) {
    const auto bind = [this](QHttpServerResponse (WebOverviewEndpoints::*handler)(const ApiRequest&)) {
        return [this, handler](const ApiRequest& request) { return (this->*handler)(request); };
    };
    router.add(homePath, Method::Get, bind(&WebOverviewEndpoints::home));
    router.add(homePath + QStringLiteral("status"), Method::Get, bind(&WebOverviewEndpoints::status));
    router.add(homePath + QStringLiteral("log-ind"), Method::Get, bind(&WebOverviewEndpoints::linkPage));
    router.add(homePath + QStringLiteral("log-ind"), Method::Post, bind(&WebOverviewEndpoints::signIn));
    router.add(homePath + QStringLiteral("send-link"), Method::Post, bind(&WebOverviewEndpoints::sendLink));
    router.add(homePath + QStringLiteral("log-ud"), Method::Post, bind(&WebOverviewEndpoints::signOut));
    router.add(homePath + QStringLiteral("afmeld"), Method::Get,
               bind(&WebOverviewEndpoints::unsubscribePage));
    router.add(
        homePath + QStringLiteral("afmeld"), Method::Post,
        [this](const ApiRequest& request) { return setAlerts(request, false); }, Router::Fields::query);
    router.add(
        homePath + QStringLiteral("tilmeld"), Method::Post,
        [this](const ApiRequest& request) { return setAlerts(request, true); }, Router::Fields::query);
    router.addNotFound(homePath, [] {
        return WebPages::reply(WebPages::messagePage(QStringLiteral("Siden findes ikke"),
                                                     QStringLiteral("Adressen er forkert eller forældet.")),
                               Status::NotFound);
    });
    router.add(homePath + QStringLiteral("oversigt.css"), Method::Get, [this](const ApiRequest&) {
        return asset(QByteArrayLiteral("text/css; charset=utf-8"), m_stylesheet);
    });
    router.add(homePath + QStringLiteral("oversigt.js"), Method::Get, [this](const ApiRequest&) {
        return asset(QByteArrayLiteral("text/javascript; charset=utf-8"), m_script);
    });
}

QString WebOverviewEndpoints::sessionCookie(const ApiRequest& request) {
    const QByteArray name = QByteArray(cookieName) + '=';
    for (const QByteArray& part : request.header(QByteArrayLiteral("Cookie")).split(';')) {
        const QByteArray trimmed = part.trimmed();
        if (trimmed.startsWith(name)) {
            return hexToken(QString::fromLatin1(trimmed.mid(name.size())));
        }
    }
    return {};
}

std::optional<RelativeRecord> WebOverviewEndpoints::signedInRelative(const ApiRequest& request) {
    const QString session = sessionCookie(request);
    const std::optional<qint64> id =
        session.isEmpty() ? std::nullopt : m_context.webSessions.relativeForSession(session);
    return id ? m_context.accounts.relative(*id) : std::nullopt;
}

bool WebOverviewEndpoints::fromOwnPages(const ApiRequest& request) const {
    // A browser names the origin of every form it posts; a form on another site names that one.
    // Under Referrer-Policy: no-referrer it names "null" even for our own forms, so then (as when a
    // browser names none) Sec-Fetch-Site decides, which a page cannot set. A mail client's preview
    // or a sandboxed frame elsewhere sends "null" with "cross-site", or nothing.
    const QByteArray origin = request.header(QByteArrayLiteral("Origin"));
    if (!origin.isEmpty() && origin != "null") {
        return origin == m_context.webSessions.origin().toUtf8();
    }
    return request.header(QByteArrayLiteral("Sec-Fetch-Site")) == "same-origin";
}

QByteArray WebOverviewEndpoints::cookie(const QString& value, qint64 maxAge) const {
    return QByteArray(cookieName) + '=' + value.toLatin1() +
           "; Path=/oversigt/; Max-Age=" + QByteArray::number(maxAge) + "; HttpOnly; Secure; SameSite=Strict";
}

QString WebOverviewEndpoints::overviewMain(const RelativeRecord& relative) {
    return WebPages::overviewMain(RelativeOverview::read(m_context, relative), relative.alertsOn,
                                  m_context.clock.timeOfDay(m_context.clock.nowSeconds()));
}

QHttpServerResponse WebOverviewEndpoints::home(const ApiRequest& request) {
    const std::optional<RelativeRecord> relative = signedInRelative(request);
    if (!relative) {
        QHttpServerResponse response = WebPages::reply(WebPages::signInPage());
        if (!sessionCookie(request).isEmpty()) {
            // A session that ended elsewhere (removed, logged out on another tab): the browser forgets it.
            response.addHeader(QByteArrayLiteral("Set-Cookie"), cookie(QString(), 0));
        }
        return response;
    }
    return WebPages::reply(WebPages::document(QStringLiteral("Støtteoverblik"), overviewMain(*relative),
                                              WebPages::Header::signedIn));
}

QHttpServerResponse WebOverviewEndpoints::status(const ApiRequest& request) {
    const std::optional<RelativeRecord> relative = signedInRelative(request);
    if (!relative) {
        return WebPages::reply(QStringLiteral("<p>Du er ikke logget ind.</p>"), Status::Unauthorized);
    }
    return WebPages::reply(overviewMain(*relative));
}

QHttpServerResponse WebOverviewEndpoints::linkPage(const ApiRequest& request) {
    const QString token = hexToken(request.fields.optionalText(QStringLiteral("token"), 64));
    const WebSessions::Link state =
        token.isEmpty() ? WebSessions::Link::unknown : m_context.webSessions.check(token);
    if (state != WebSessions::Link::valid) {
        return WebPages::reply(WebPages::refusedLinkPage(),
                               state == WebSessions::Link::unknown ? Status::NotFound : Status::Gone);
    }
    return WebPages::reply(WebPages::signInLinkPage(token));
}

QHttpServerResponse WebOverviewEndpoints::signIn(const ApiRequest& request) {
    if (!fromOwnPages(request)) {
        return foreignForm();
    }
    const QString token = hexToken(request.fields.optionalText(QStringLiteral("token"), 64));
    WebSessions::Link state = WebSessions::Link::unknown;
    const std::optional<QString> session =
        token.isEmpty() ? std::nullopt : m_context.webSessions.signIn(token, state);
    if (!session) {
        return WebPages::reply(WebPages::refusedLinkPage(),
                               state == WebSessions::Link::unknown ? Status::NotFound : Status::Gone);
    }
    return WebPages::seeOther(homePath, cookie(*session, WebSessions::sessionLifetime));
}

QHttpServerResponse WebOverviewEndpoints::sendLink(const ApiRequest& request) {
    if (!fromOwnPages(request)) {
        return foreignForm();
    }
    QString email;
    try {
        email = request.fields.email();
    } catch (const ReplyError& refusal) {
        return WebPages::reply(WebPages::signInPage(refusal.message(), request.fields.optionalText(
                                                                           QStringLiteral("email"), 254)),
                               Status::BadRequest);
    }
    AttemptLimiter& limiter = m_context.limiter;
    // Recovery's budget: a link and a recovery code are both a mail to an address anyone may name.
    if (!limiter.takeForNetwork(QStringLiteral("recovery_request"), request.remoteAddress,
                                limits::recoveryRequests)) {
        return WebPages::reply(
            WebPages::signInPage(QStringLiteral("For mange forsøg. Vent en time, og prøv igen."), email),
            Status::TooManyRequests);
    }
    // The same lookups and round trips for every address; only the mail differs, written after the
    // reply has gone.
    const std::optional<RelativeRecord> relative = m_context.accounts.relativeForRecovery(email);
    const bool allowed = limiter.take(QStringLiteral("web_link"),
                                      Accounts::emailKey(email) + QLatin1Char(' ') +
                                          ClientNetwork::widest(request.remoteAddress),
                                      limits::recoveryCodesPerEmailAndNetwork);
    if (relative && allowed) {
        m_context.webSessions.mail(
            relative->id, relative->email, QStringLiteral("web_sign_in"),
            QStringLiteral("Dit link til Molvenas støtteoverblik"), [](const QString& link) {
                return QStringLiteral(
                           "Hej\n\nHer er dit link til støtteoverblikket hos Molvena:\n\n%1\n\nLinket virker "
                           "i "
                           "en uge og kan bruges én gang.\n\nHar du ikke bedt om et link, kan du se bort "
                           "fra denne e-mail.\n\nVenlig hilsen\nMolvena\n")
                    .arg(link);
            });
    } else {
        m_context.outbox.sendNowhere();
    }
    return WebPages::reply(WebPages::linkSentPage());
}

QHttpServerResponse WebOverviewEndpoints::signOut(const ApiRequest& request) {
    if (!fromOwnPages(request)) {
        return foreignForm();
    }
    if (const QString session = sessionCookie(request); !session.isEmpty()) {
        m_context.webSessions.signOut(session);
    }
    return WebPages::seeOther(homePath, cookie(QString(), 0));
}

QHttpServerResponse WebOverviewEndpoints::unsubscribePage(const ApiRequest& request) {
    const QString token = request.fields.optionalText(QStringLiteral("token"), 80);
    const std::optional<qint64> relative = m_context.webSessions.relativeForUnsubscribeToken(token);
    if (!relative || !m_context.accounts.relative(*relative)) {
        return invalidUnsubscribeLink();
    }
    return WebPages::reply(WebPages::unsubscribePage(token));
}

QHttpServerResponse WebOverviewEndpoints::setAlerts(const ApiRequest& request, bool on) {
    const QString token = request.fields.optionalText(QStringLiteral("token"), 80);
    if (!token.isEmpty()) {
        // The mail's one click comes from the mail provider, without an origin; its token is the
        // proof. Turning alerts on again is done only from our own pages.
        if (on && !fromOwnPages(request)) {
            return foreignForm();
        }
        const std::optional<qint64> relative = m_context.webSessions.relativeForUnsubscribeToken(token);
        if (!relative || !m_context.accounts.relative(*relative)) {
            return invalidUnsubscribeLink();
        }
        m_context.webSessions.setAlerts(*relative, on);
        return WebPages::reply(WebPages::alertsPage(token, on));
    }
    if (!fromOwnPages(request)) {
        return foreignForm();
    }
    if (const std::optional<RelativeRecord> relative = signedInRelative(request)) {
        m_context.webSessions.setAlerts(relative->id, on);
    }
    return WebPages::seeOther(homePath);
}

} // namespace molvena::server
