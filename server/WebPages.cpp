#include "WebPages.h"

#include "RelativeOverview.h"

namespace molvena::server {

namespace {

const QByteArray contentSecurityPolicy =
    QByteArrayLiteral("default-src 'none'; script-src 'self'; style-src 'self'; img-src 'self' data:; "
                      "connect-src 'self'; form-action 'self'; frame-ancestors 'none'; base-uri 'none'");

// The shield of the logo: an outline with a check mark, drawn in the text colour.
const QString shield = QStringLiteral(
    "<svg viewBox=\"0 0 29 34\" aria-hidden=\"true\" focusable=\"false\"><path d=\"M14.5 1.5L26.1 5.9"
    "L23.8 22.1Q21.2 29.9 14.5 32.5Q7.8 29.9 5.2 22.1L2.9 5.9Z\" fill=\"none\" stroke=\"currentColor\" "
    "stroke-width=\"3\" stroke-linejoin=\"round\"/><path d=\"M9.5 17l3.5 3.5 6.5-7\" fill=\"none\" "
    "stroke=\"currentColor\" stroke-width=\"3\" stroke-linecap=\"round\" stroke-linejoin=\"round\"/></svg>");
const QString brokenShield = QStringLiteral(
    "<svg viewBox=\"0 0 29 34\" aria-hidden=\"true\" focusable=\"false\"><path d=\"M14.5 1.5L26.1 5.9"
    "L23.8 22.1Q21.2 29.9 14.5 32.5Q7.8 29.9 5.2 22.1L2.9 5.9Z\" fill=\"none\" stroke=\"currentColor\" "
    "stroke-width=\"3\" stroke-linejoin=\"round\"/><path d=\"M4 4l21 26\" stroke=\"currentColor\" "
    "stroke-width=\"3\" stroke-linecap=\"round\"/></svg>");

QString form(const QString& action, const QString& label, const QString& hidden = {},
             const QString& buttonClass = {}) {
    return QStringLiteral(
               "<form method=\"post\" action=\"%1\">%2<button type=\"submit\"%3>%4</button></form>")
        .arg(WebPages::escape(action), hidden,
             buttonClass.isEmpty() ? QString() : QStringLiteral(" class=\"%1\"").arg(buttonClass), label);
}

} // namespace

QString WebPages::escape(const QString& text) {
    QString escaped = text.toHtmlEscaped(); // & < > "
    return escaped.replace(QLatin1Char('\''), QLatin1String("&#39;"));
}

QString WebPages::document(const QString& title, const QString& main, Header header) {
    const bool relative = header != Header::plain;
    return QStringLiteral("<!doctype html>\n<html lang=\"da\"><head><meta charset=\"utf-8\">"
                          "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">"
                          "<meta name=\"robots\" content=\"noindex\">"
                          "<title>%1 · Molvena</title><link rel=\"stylesheet\" "
                          "href=\"/oversigt/oversigt.css\">%2</head>\n"
                          "<body><header class=\"top\">%3</header>\n<main>%4</main></body></html>\n")
        .arg(escape(title),
             header == Header::signedIn
                 ? QStringLiteral("<script src=\"/oversigt/oversigt.js\" defer></script>")
                 : QString(),
             relative ? QStringLiteral("<a class=\"logo\" href=\"/oversigt/\">%1molvena</a>"
                                       "<span class=\"rolle\">Pårørende</span>")
                                .arg(shield) +
                            (header == Header::signedIn
                                 ? form(QStringLiteral("/oversigt/log-ud"), QStringLiteral("Log ud"), {},
                                        QStringLiteral("sekundaer"))
                                 : QString())
                      : QStringLiteral("<span class=\"logo\">%1molvena</span>").arg(shield),
             main);
}

void WebPages::secure(QHttpServerResponse& response) {
    response.addHeader(QByteArrayLiteral("Content-Security-Policy"), contentSecurityPolicy);
    response.addHeader(QByteArrayLiteral("X-Content-Type-Options"), QByteArrayLiteral("nosniff"));
    response.addHeader(QByteArrayLiteral("Referrer-Policy"), QByteArrayLiteral("no-referrer"));
    response.addHeader(QByteArrayLiteral("X-Frame-Options"), QByteArrayLiteral("DENY"));
    response.addHeader(QByteArrayLiteral("Cross-Origin-Opener-Policy"), QByteArrayLiteral("same-origin"));
}

QHttpServerResponse WebPages::reply(const QString& html, Status status) {
    QHttpServerResponse response(QByteArrayLiteral("text/html; charset=utf-8"), html.toUtf8(), status);
    secure(response);
    response.addHeader(QByteArrayLiteral("Cache-Control"), QByteArrayLiteral("no-store"));
    return response;
}

QHttpServerResponse WebPages::seeOther(const QString& location, const QByteArray& cookie) {
    QHttpServerResponse response(Status::SeeOther);
    secure(response);
    response.addHeader(QByteArrayLiteral("Location"), location.toUtf8());
    response.addHeader(QByteArrayLiteral("Cache-Control"), QByteArrayLiteral("no-store"));
    if (!cookie.isEmpty()) {
        response.addHeader(QByteArrayLiteral("Set-Cookie"), cookie);
    }
    return response;
}

QString WebPages::sendLinkForm(const QString& email) {
    return QStringLiteral("<form class=\"kort\" method=\"post\" action=\"/oversigt/send-link\">"
                          "<label for=\"email\">Din e-mail</label>"
                          "<input id=\"email\" name=\"email\" type=\"email\" autocomplete=\"email\" "
                          "required maxlength=\"254\" value=\"%1\">"
                          "<button type=\"submit\">Send mig et link</button></form>")
        .arg(escape(email));
}

QString WebPages::signInPage(const QString& problem, const QString& email) {
    return document(
        QStringLiteral("Støtteoverblik"),
        QStringLiteral("<p class=\"eyebrow\">Pårørende · støtteoverblik</p><h1>Følg med som pårørende</h1>"
                       "<p>Her ser du det samme som i Molvena-appen: molvenae dage, skjoldstatus og "
                       "relevante hændelser. Skriv den e-mail, du er pårørende med, så sender vi dig et "
                       "link, der logger dig ind. Du skal ikke bruge en adgangskode.</p>%1%2"
                       "<p class=\"note\">Linket virker i en uge og kan bruges én gang.</p>")
            .arg(problem.isEmpty()
                     ? QString()
                     : QStringLiteral("<p class=\"fejl\" role=\"alert\">%1</p>").arg(escape(problem)),
                 sendLinkForm(email)));
}

QString WebPages::signInLinkPage(const QString& token) {
    return document(
        QStringLiteral("Log ind"),
        QStringLiteral("<h1>Log ind</h1><p>Tryk på knappen for at se støtteoverblikket. Linket "
                       "kan bruges én gang.</p>") +
            form(QStringLiteral("/oversigt/log-ind"), QStringLiteral("Log ind"),
                 QStringLiteral("<input type=\"hidden\" name=\"token\" value=\"%1\">").arg(escape(token))));
}

QString WebPages::refusedLinkPage() {
    return document(
        QStringLiteral("Linket virker ikke længere"),
        QStringLiteral("<h1>Linket virker ikke længere</h1><p class=\"fejl\" role=\"alert\">Linket "
                       "er allerede brugt, eller det er udløbet. Få et nyt link tilsendt.</p>") +
            sendLinkForm());
}

QString WebPages::linkSentPage() {
    return messagePage(
        QStringLiteral("Tjek din e-mail"),
        QStringLiteral("Hvis adressen hører til en pårørende, har vi sendt et link. Det virker "
                       "i en uge og kan bruges én gang."));
}

QString WebPages::messagePage(const QString& title, const QString& text) {
    return document(
        title, QStringLiteral("<h1>%1</h1><p>%2</p><p><a href=\"/oversigt/\">Til støtteoverblikket</a></p>")
                   .arg(escape(title), escape(text)));
}

QString WebPages::overviewMain(const RelativeOverview& overview, bool alertsOn, const QString& updatedAt) {
    QString events;
    for (const RelativeOverview::Event& event : overview.history) {
        // The type picks the dot's colour; anything but these two is the blue of the rest.
        const QString type = event.type == QLatin1String("blocked") || event.type == QLatin1String("geofence")
                                 ? event.type
                                 : QStringLiteral("andet");
        events +=
            QStringLiteral("<li class=\"%1\"><span class=\"prik\"></span><span class=\"titel\">%2</span>"
                           "<time datetime=\"%3\">%4</time></li>")
                .arg(type, escape(event.title), escape(event.sortTime), escape(event.timestamp));
    }
    const QString history = events.isEmpty() ? QStringLiteral("<p>Ingen hændelser endnu.</p>")
                                             : QStringLiteral("<ol class=\"haendelser\">%1</ol>").arg(events);
    const QString alerts =
        alertsOn ? QStringLiteral("<p>Du får en e-mail, når der sker noget med beskyttelsen.</p>") +
                       form(QStringLiteral("/oversigt/afmeld"), QStringLiteral("Afmeld advarsler"), {},
                            QStringLiteral("sekundaer"))
                 : QStringLiteral("<p>Du har afmeldt advarsler på e-mail.</p>") +
                       form(QStringLiteral("/oversigt/tilmeld"), QStringLiteral("Modtag advarsler igen"));
    return QStringLiteral("<div id=\"overblik\"><section class=\"kort resume\" aria-labelledby=\"spiller\">"
                          "<p class=\"eyebrow\">Pårørende · støtteoverblik</p><h1 id=\"spiller\">%1</h1>"
                          "<p class=\"dage\"><span class=\"tal\">%2</span> dage molvena</p>"
                          "<p class=\"skjold\">%3%4</p></section>"
                          "<section class=\"kort\" aria-labelledby=\"seneste\"><h2 id=\"seneste\">Seneste "
                          "hændelser</h2>%5"
                          "</section></div>"
                          "<section class=\"kort\" aria-labelledby=\"advarsler\"><h2 "
                          "id=\"advarsler\">Advarsler på e-mail</h2>"
                          "%6</section><p id=\"opdateret\" role=\"status\">Opdateret kl. %7</p>")
        .arg(escape(overview.playerName), QString::number(overview.daysClean),
             overview.shieldActive ? shield : brokenShield,
             overview.shieldActive ? QStringLiteral("Skjold aktivt") : QStringLiteral("Skjold ikke aktivt"),
             history, alerts, escape(updatedAt));
}

QString WebPages::unsubscribePage(const QString& token) {
    return document(
        QStringLiteral("Afmeld advarsler"),
        QStringLiteral("<h1>Afmeld advarsler</h1><p>Vil du ikke længere have en e-mail fra Molvena, "
                       "når der sker noget med beskyttelsen?</p>") +
            form(QStringLiteral("/oversigt/afmeld?token=") + token, QStringLiteral("Afmeld advarsler")));
}

QString WebPages::alertsPage(const QString& token, bool alertsOn) {
    const QString query = QStringLiteral("?token=") + token;
    return alertsOn
               ? document(
                     QStringLiteral("Advarsler er slået til"),
                     QStringLiteral("<h1>Advarsler er slået til</h1><p>Du får igen en e-mail, når der sker "
                                    "noget med beskyttelsen.</p>") +
                         form(QStringLiteral("/oversigt/afmeld") + query, QStringLiteral("Afmeld advarsler"),
                              {}, QStringLiteral("sekundaer")))
               : document(QStringLiteral("Du er afmeldt"),
                          QStringLiteral("<h1>Du er afmeldt</h1><p>Du får ikke flere advarsler på e-mail fra "
                                         "Molvena. Du kan stadig følge med på støtteoverblikket.</p>") +
                              form(QStringLiteral("/oversigt/tilmeld") + query,
                                   QStringLiteral("Modtag advarsler igen")));
}

} // namespace molvena::server
