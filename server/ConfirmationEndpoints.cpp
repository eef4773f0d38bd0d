#include "ConfirmationEndpoints.h"

#include "AbuseLimits.h"
#include "Accounts.h"
#include "AttemptLimiter.h"
#include "ClientNetwork.h"
#include "Database.h"
#include "Outbox.h"
#include "ServerClock.h"
#include "ServerOptions.h"
#include "WebPages.h"
#include "WebSessions.h"

#include <QRegularExpression>
#include <QSqlQuery>
#include <QUrl>

namespace molvena::server {

namespace {

using Method = Router::Method;
using Status = QHttpServerResponder::StatusCode;

const QString playerPath = QStringLiteral("confirm_email.php");
const QString relativePath = QStringLiteral("confirm_relative.php");

// A small page in Danish, in the web overview's look; nothing on it comes from the request but a
// token of hexadecimal digits.
QHttpServerResponse html(const QString& title, const QString& body, WebPages::Header header,
                         Status status = Status::Ok) {
    return WebPages::reply(
        WebPages::document(title, QStringLiteral("<h1>%1</h1>").arg(WebPages::escape(title)) + body, header),
        status);
}

QString validToken(const ApiRequest& request) {
    static const QRegularExpression form(QStringLiteral("^[0-9a-f]{48}$"));
    const QString token = request.fields.optionalText(QStringLiteral("token"), 64);
    return form.match(token).hasMatch() ? token : QString();
}

QHttpServerResponse invalidLink() {
    return html(QStringLiteral("Linket virker ikke længere"),
                QStringLiteral("<p>Linket er ikke gyldigt længere. Det er måske allerede brugt.</p>"),
                WebPages::Header::plain, Status::NotFound);
}

} // namespace

void ConfirmationEndpoints::addRoutes(Router& router) {
    for (const auto& [path, kind] :
         {std::pair{playerPath, Kind::player}, std::pair{relativePath, Kind::relative}}) {
        router.add(QStringLiteral("/api/") + path, Method::Get,
                   [this, kind = kind](const ApiRequest& request) { return page(kind, request); });
        router.add(QStringLiteral("/api/") + path, Method::Post,
                   [this, kind = kind](const ApiRequest& request) { return confirm(kind, request); });
    }
}

std::optional<QString> ConfirmationEndpoints::linkToken(const QString& email, const QString& source) {
    // Per address and requesting network: a stranger elsewhere cannot use up the owner's mails.
    if (!m_context.limiter.take(QStringLiteral("confirmation_mail"),
                                Accounts::emailKey(email) + QLatin1Char(' ') + ClientNetwork::widest(source),
                                limits::confirmationMailsPerAddress)) {
        return std::nullopt;
    }
    return Accounts::newPairingToken().mid(4);
}

QString ConfirmationEndpoints::link(Kind kind, const QString& token) const {
    QUrl url =
        QUrl(m_context.options.publicUrl).resolved(QUrl(kind == Kind::player ? playerPath : relativePath));
    url.setQuery(QStringLiteral("token=") + token);
    return url.toString(QUrl::FullyEncoded);
}

void ConfirmationEndpoints::askPlayer(qint64 playerId, const QString& email, const QString& source) {
    const std::optional<QString> token = linkToken(email, source);
    if (!token) {
        return;
    }
    m_context.database.run(QStringLiteral("UPDATE players SET confirm_token = ? WHERE id = ?"),
                           {*token, playerId});
    m_context.outbox.send(
        QStringLiteral("player_confirmation"), email, QStringLiteral("Bekræft din e-mail hos Molvena"),
        QStringLiteral("Hej\n\nDer er netop oprettet en Molvena-konto med denne adresse. Bekræft, at det er "
                       "din, så du kan hente kontoen på en ny Mac med en engangskode:\n\n%1\n\nHar du ikke "
                       "selv oprettet kontoen, kan du se bort fra denne e-mail. Adressen hører først til "
                       "kontoen, når den er bekræftet.\n\nVenlig hilsen\nMolvena\n")
            .arg(link(Kind::player, *token)));
}

void ConfirmationEndpoints::askRelative(qint64 relativeId, const QString& email, const QString& source,
                                        bool relink) {
    const std::optional<QString> token = linkToken(email, source);
    if (!token) {
        return;
    }
    m_context.database.run(QStringLiteral("UPDATE relatives SET confirm_token = ? WHERE id = ?"),
                           {*token, relativeId});
    // Nothing in it comes from whoever made the link: the address has not said yet that it wants
    // mail from us.
    const QString why = relink
                            ? QStringLiteral("Denne adresse er netop blevet forbundet igen som pårørende i "
                                             "Molvena-appen, på en ny enhed. Den nye forbindelse virker, "
                                             "når du har bekræftet den her:")
                            : QStringLiteral("Denne adresse er netop blevet forbundet som pårørende i "
                                             "Molvena-appen. Vil du have besked på e-mail, når der sker "
                                             "noget med beskyttelsen, så bekræft adressen her:");
    const QString confirmation = link(Kind::relative, *token);
    m_context.webSessions.mail(relativeId, email, QStringLiteral("relative_confirmation"),
                               QStringLiteral("Bekræft din e-mail hos Molvena"), [&](const QString& signIn) {
                                   return QStringLiteral(
                                              "Hej\n\n%1\n\n%2\n\nDu kan også følge med på nettet, uden "
                                              "at installere noget. Linket her logger dig ind; det virker i "
                                              "en uge og kan bruges én gang:\n\n%3\n\nHar du ikke selv "
                                              "forbundet dig, kan du se bort fra denne e-mail; så sker der "
                                              "ikke mere.\n\nVenlig hilsen\nMolvena\n")
                                       .arg(why, confirmation, signIn);
                               });
}

QHttpServerResponse ConfirmationEndpoints::page(Kind kind, const ApiRequest& request) {
    const QString token = validToken(request);
    if (token.isEmpty()) {
        return invalidLink();
    }
    return html(QStringLiteral("Bekræft din e-mail"),
                QStringLiteral("<p>%1</p><form method=\"post\" action=\"%2\">"
                               "<input type=\"hidden\" name=\"token\" value=\"%3\">"
                               "<button type=\"submit\">Bekræft</button></form>")
                    .arg(kind == Kind::player
                             ? QStringLiteral("Tryk på knappen for at bekræfte, at adressen er din og hører "
                                              "til din Molvena-konto.")
                             : QStringLiteral("Tryk på knappen for at bekræfte, at du vil være pårørende i "
                                              "Molvena og have besked på denne adresse."),
                         kind == Kind::player ? playerPath : relativePath, token),
                kind == Kind::player ? WebPages::Header::plain : WebPages::Header::relative);
}

QHttpServerResponse ConfirmationEndpoints::confirm(Kind kind, const ApiRequest& request) {
    const QString token = validToken(request);
    if (token.isEmpty()) {
        return invalidLink();
    }
    const qint64 now = m_context.clock.nowSeconds();
    // A relative's newest link takes effect now, and the token it replaces stops working.
    const QString sql =
        kind == Kind::player
            ? QStringLiteral("UPDATE players SET email_confirmed_at = ?, confirm_token = NULL "
                             "WHERE confirm_token = ?")
            : QStringLiteral("UPDATE relatives SET confirmed_at = ?, confirm_token = NULL, "
                             "pairing_token = COALESCE(pending_token, pairing_token), "
                             "pending_token = NULL WHERE confirm_token = ?");
    if (m_context.database.run(sql, {now, token}).numRowsAffected() != 1) {
        return invalidLink();
    }
    return html(QStringLiteral("Tak"),
                kind == Kind::player ? QStringLiteral("<p>Din e-mail er bekræftet. Du kan nu hente din "
                                                      "Molvena-konto på en ny Mac med en engangskode.</p>")
                                     : QStringLiteral("<p>Tak. Du får nu besked fra Molvena på denne "
                                                      "adresse.</p>"),
                kind == Kind::player ? WebPages::Header::plain : WebPages::Header::relative);
}

} // namespace molvena::server
