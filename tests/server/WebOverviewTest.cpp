// The relatives' web overview, server side: sign-in links from the mails, sessions, "send me a
// link", the forms' origin check, one-click unsubscribing and what the pages show.
#include "ServerHarness.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QRegularExpression>
#include <QtTest/QtTest>

using namespace molvena;
using test::ServerHarness;

namespace {

constexpr qint64 hour = 3600;
constexpr qint64 day = 24 * hour;
// A name that would run script if any page put it in unescaped.
const QString hostileName = QStringLiteral("Mikkel <script>alert(\"x\")</script>");
const QString relativeEmail = QStringLiteral("mor@example.dk");

// A player with one relative, and that relative's browser.
struct Family {
    ServerHarness& server;
    ServerHarness::Player player;
    QString pairingToken;

    explicit Family(ServerHarness& harness)
        : server(harness), player(harness.registerPlayer(hostileName, QStringLiteral("mikkel@example.dk"),
                                                         QStringLiteral("482913"))) {}

    // The relative pairs with the player's code and, as a rule, confirms the address.
    void link(bool confirm = true) {
        pairingToken = server
                           .post(QStringLiteral("pairing.php"), {{"action", "link"},
                                                                 {"code", player.pairingCode},
                                                                 {"email", relativeEmail},
                                                                 {"platform", "macos"},
                                                                 {"country", "DK"}})
                           .json.value(QStringLiteral("pairing_token"))
                           .toString();
        if (confirm) {
            server.confirmRelatives();
        }
    }

    QByteArray origin() const { return "http://127.0.0.1:" + QByteArray::number(server.server().port()); }
    ServerHarness::Headers page(const QString& session = {}) const {
        ServerHarness::Headers headers{{"Origin", origin()}};
        if (!session.isEmpty()) {
            headers.append({"Cookie", "molvena_oversigt=" + session.toLatin1()});
        }
        return headers;
    }
    QString newestMail(const QString& kind) {
        const auto newest =
            server.rows(QStringLiteral("SELECT file_name FROM outbox WHERE recipient = '%1' AND "
                                       "kind = '%2' ORDER BY id DESC LIMIT 1")
                            .arg(relativeEmail, kind));
        return newest.isEmpty() ? QString() : server.outboxMessage(newest.first().first().toString());
    }
    static QString signInToken(const QString& mail) {
        static const QRegularExpression link(QStringLiteral("/oversigt/log-ind\\?token=([0-9a-f]{48})"));
        return link.match(mail).captured(1);
    }
    // Presses the link page's button; the session from the cookie, or empty.
    QString signIn(const QString& token, ServerHarness::Reply* reply = nullptr) {
        // As Chromium posts a form of a page with Referrer-Policy: no-referrer.
        const ServerHarness::Reply answer = server.browse(
            "POST", QStringLiteral("/oversigt/log-ind"),
            {{"Origin", "null"}, {"Sec-Fetch-Site", "same-origin"}}, "token=" + token.toLatin1());
        if (reply) {
            *reply = answer;
        }
        static const QRegularExpression cookie(QStringLiteral("^molvena_oversigt=([0-9a-f]{48});"));
        return cookie.match(QString::fromLatin1(answer.headers.value("set-cookie"))).captured(1);
    }
    ServerHarness::Reply alert() {
        return server.post(QStringLiteral("send_notification.php"),
                           {{"device_token", player.deviceToken},
                            {"reason", "mac_dns_profile_removed_externally"},
                            {"platform", "macos"}});
    }
};

// The overview shows what relative_activity.php gives, escaped, under the pages' headers.
void verifyOverview(Family& family, const QString& session) {
    const ServerHarness::Reply page =
        family.server.browse("GET", QStringLiteral("/oversigt/"), family.page(session));
    QCOMPARE(page.status, 200);
    const QJsonObject activity =
        family.server.get(QStringLiteral("relative_activity.php?token=") + family.pairingToken).json;
    const QJsonObject summary = activity.value(QStringLiteral("summary")).toObject();
    const QString html = QString::fromUtf8(page.body);
    QVERIFY(html.contains(
        QStringLiteral("<h1 id=\"spiller\">Mikkel &lt;script&gt;alert(&quot;x&quot;)&lt;/script&gt;</h1>")));
    QVERIFY(!html.contains(QStringLiteral("<script>alert")));
    QCOMPARE(summary.value(QStringLiteral("player_name")).toString(), hostileName);
    QVERIFY(html.contains(QStringLiteral("<span class=\"tal\">%1</span> dage molvena")
                              .arg(summary.value(QStringLiteral("days_clean")).toInteger())));
    QVERIFY(html.contains(summary.value(QStringLiteral("shield_active")).toBool()
                              ? QStringLiteral(">Skjold aktivt<")
                              : QStringLiteral(">Skjold ikke aktivt<")));
    for (const QJsonValue& event : activity.value(QStringLiteral("history")).toArray()) {
        QVERIFY(html.contains(event.toObject().value(QStringLiteral("title")).toString().toHtmlEscaped()));
    }
    QVERIFY(!html.contains(relativeEmail)); // nothing of the relatives, not even the reader's own address
    QVERIFY(page.body.size() < 50 * 1024);
    QCOMPARE(page.headers.value("cache-control"), QByteArray("no-store"));
    QVERIFY(
        page.headers.value("content-security-policy").startsWith("default-src 'none'; script-src 'self';"));
    QCOMPARE(page.headers.value("x-content-type-options"), QByteArray("nosniff"));
    QCOMPARE(page.headers.value("referrer-policy"), QByteArray("no-referrer"));
    // The refresh fetches the same content.
    const ServerHarness::Reply status =
        family.server.browse("GET", QStringLiteral("/oversigt/status"), family.page(session));
    QCOMPARE(status.status, 200);
    QVERIFY(status.body.contains("<h1 id=\"spiller\">Mikkel &lt;script&gt;"));
}

// Outbox mail fails until restored: the outbox folder's name taken by a file.
struct RelayAway {
    QString folder;
    explicit RelayAway(const QString& outbox) : folder(outbox) {
        QDir().rename(folder, folder + QStringLiteral(".away"));
        QFile blocker(folder);
        (void)blocker.open(QIODevice::WriteOnly);
    }
    void restore() {
        QFile::remove(folder);
        QDir().rename(folder + QStringLiteral(".away"), folder);
    }
};

} // namespace

class WebOverviewTest : public QObject {
    Q_OBJECT

private slots:
    void signInLink_data();
    void signInLink();
    void sessionEnds_data();
    void sessionEnds();
    void formsFromElsewhere_data();
    void formsFromElsewhere();
    void sendLinkAnswersAlikeWithinLimits();
    void unsubscribeInOneClickAndUndo();
};

void WebOverviewTest::signInLink_data() {
    QTest::addColumn<qint64>("relayAway");     // seconds the confirmation mail waits for the relay
    QTest::addColumn<qint64>("afterHandOver"); // seconds from its hand-over to the click
    QTest::addColumn<bool>("spentBefore");
    QTest::addColumn<int>("expected"); // of the link page and of its button

    QTest::newRow("fresh") << 0LL << 0LL << false << 200;
    QTest::newRow("six days after hand-over") << 0LL << 6 * day << false << 200;
    QTest::newRow("a week after hand-over") << 0LL << 7 * day + 60 << false << 410;
    QTest::newRow("relay away 20 h; 6.5 days after hand-over")
        << 20 * hour << 6 * day + 12 * hour << false << 200;
    QTest::newRow("used already") << 0LL << 0LL << true << 410;
}

void WebOverviewTest::signInLink() {
    QFETCH(qint64, relayAway);
    QFETCH(qint64, afterHandOver);
    QFETCH(bool, spentBefore);
    QFETCH(int, expected);
    ServerHarness server;
    Family family(server);
    RelayAway relay(server.server().outboxFolder());
    family.link(false);
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("not delivered yet")));
    server.server().waitForOutbox(); // the first try fails
    server.advance(relayAway + 60);
    relay.restore();
    const QString token = Family::signInToken(family.newestMail(QStringLiteral("relative_confirmation")));
    QVERIFY(!token.isEmpty());
    QVERIFY(!server.snapshot().contains(token)); // only its hash is kept
    if (spentBefore) {
        QVERIFY(!family.signIn(token).isEmpty());
    }
    server.advance(afterHandOver);

    // A mail scanner fetching the link spends nothing.
    for (int fetch = 0; fetch < 2; ++fetch) {
        const auto page = server.browse("GET", QStringLiteral("/oversigt/log-ind?token=") + token, {});
        QCOMPARE(page.status, expected);
        QVERIFY(page.body.contains(expected == 200 ? "<button type=\"submit\">Log ind</button>"
                                                   : "Linket virker ikke længere"));
    }
    ServerHarness::Reply pressed;
    const QString session = family.signIn(token, &pressed);
    if (expected != 200) {
        QCOMPARE(pressed.status, 410);
        QVERIFY(session.isEmpty());
        QVERIFY(pressed.body.contains("Send mig et link")); // a fresh link is one form away
        return;
    }
    QCOMPARE(pressed.status, 303);
    QCOMPARE(pressed.headers.value("location"), QByteArray("/oversigt/"));
    QCOMPARE(pressed.headers.value("set-cookie"), "molvena_oversigt=" + session.toLatin1() +
                                                      "; Path=/oversigt/; Max-Age=2592000; HttpOnly; Secure; "
                                                      "SameSite=Strict");
    QVERIFY(!server.snapshot().contains(session));
    verifyOverview(family, session);
    QCOMPARE(family.signIn(token), QString()); // once only
}

void WebOverviewTest::sessionEnds_data() {
    QTest::addColumn<QString>("how");
    QTest::newRow("Log ud") << QStringLiteral("log out");
    QTest::newRow("the player removes the relative") << QStringLiteral("removed");
    QTest::newRow("the relative unpairs") << QStringLiteral("unpaired");
}

void WebOverviewTest::sessionEnds() {
    QFETCH(QString, how);
    ServerHarness server;
    Family family(server);
    family.link();
    const QString session =
        family.signIn(Family::signInToken(family.newestMail(QStringLiteral("relative_confirmation"))));
    QVERIFY(!session.isEmpty());
    verifyOverview(family, session);
    if (how == QLatin1String("log out")) {
        const auto out = server.browse("POST", QStringLiteral("/oversigt/log-ud"), family.page(session));
        QCOMPARE(out.status, 303);
        QVERIFY(out.headers.value("set-cookie").startsWith("molvena_oversigt=; Path=/oversigt/; Max-Age=0;"));
    } else if (how == QLatin1String("removed")) {
        const auto relatives =
            server.get(QStringLiteral("mac_player_status.php?device_token=") + family.player.deviceToken)
                .json;
        const qint64 id = relatives.value(QStringLiteral("relatives"))
                              .toArray()
                              .first()
                              .toObject()
                              .value(QStringLiteral("id"))
                              .toInteger();
        QCOMPARE(server
                     .post(QStringLiteral("mac_account.php"), {{"action", "remove_relative"},
                                                               {"device_token", family.player.deviceToken},
                                                               {"pin", family.player.pin},
                                                               {"relative_id", QString::number(id)}})
                     .status,
                 200);
    } else {
        QCOMPARE(
            server.post(QStringLiteral("pairing.php"), {{"action", "unlink"}, {"token", family.pairingToken}})
                .status,
            200);
    }
    const auto home = server.browse("GET", QStringLiteral("/oversigt/"), family.page(session));
    QCOMPARE(home.status, 200);
    QVERIFY(home.body.contains("Send mig et link"));
    QVERIFY(!home.body.contains("id=\"spiller\""));
    QCOMPARE(server.browse("GET", QStringLiteral("/oversigt/status"), family.page(session)).status, 401);
}

void WebOverviewTest::formsFromElsewhere_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<QByteArray>("headers"); // "Name: value" lines
    for (const char* path : {"/oversigt/log-ind", "/oversigt/send-link", "/oversigt/log-ud",
                             "/oversigt/afmeld", "/oversigt/tilmeld"}) {
        const QString target = QString::fromLatin1(path);
        QTest::addRow("%s, another site's Origin", path)
            << target << QByteArray("Origin: https://molvena.example.net");
        QTest::addRow("%s, null Origin, cross-site", path)
            << target << QByteArray("Origin: null\nSec-Fetch-Site: cross-site");
        QTest::addRow("%s, null Origin alone", path) << target << QByteArray("Origin: null");
        QTest::addRow("%s, no Origin, same-site", path) << target << QByteArray("Sec-Fetch-Site: same-site");
        QTest::addRow("%s, neither", path) << target << QByteArray("X-Nothing: 1");
    }
}

void WebOverviewTest::formsFromElsewhere() {
    QFETCH(QString, path);
    QFETCH(QByteArray, headers);
    ServerHarness server;
    Family family(server);
    family.link();
    const QString unused = Family::signInToken(family.newestMail(QStringLiteral("relative_confirmation")));
    QCOMPARE(family.alert().status, 200);
    const QString session = family.signIn(Family::signInToken(family.newestMail(QStringLiteral("alert"))));
    QVERIFY(!session.isEmpty());
    ServerHarness::Headers sent{{"Cookie", "molvena_oversigt=" + session.toLatin1()}};
    for (const QByteArray& line : headers.split('\n')) {
        sent.append({line.left(line.indexOf(':')), line.mid(line.indexOf(':') + 2)});
    }
    const QString before = server.snapshot();
    const auto refused = server.browse("POST", path, sent,
                                       "token=" + unused.toLatin1() + "&email=" + relativeEmail.toLatin1());
    QCOMPARE(refused.status, 403);
    QVERIFY(refused.body.contains("Handlingen blev afvist"));
    QCOMPARE(server.snapshot(), before);
    verifyOverview(family, session); // still signed in
}

void WebOverviewTest::sendLinkAnswersAlikeWithinLimits() {
    ServerHarness server;
    Family family(server);
    family.link();
    const auto mailsToRelative = [&] {
        return server.rows(QStringLiteral("SELECT 1 FROM outbox WHERE kind = 'web_sign_in'")).size();
    };
    QByteArray answer;
    // Recovery's limits: five requests an hour from one address, three mails an hour to one address.
    const QStringList addresses{relativeEmail, QStringLiteral("ukendt@example.dk"), relativeEmail.toUpper(),
                                relativeEmail, relativeEmail};
    for (const QString& address : addresses) {
        const auto reply = server.browse("POST", QStringLiteral("/oversigt/send-link"), family.page(),
                                         "email=" + QUrl::toPercentEncoding(address));
        QCOMPARE(reply.status, 200);
        QVERIFY(reply.body.contains("Hvis adressen hører til en pårørende, har vi sendt et link."));
        QVERIFY(answer.isEmpty() || reply.body == answer);
        answer = reply.body;
    }
    QCOMPARE(mailsToRelative(), 3);
    QCOMPARE(
        server.browse("POST", QStringLiteral("/oversigt/send-link"), family.page(), "email=ny%40example.dk")
            .status,
        429);
    verifyOverview(family,
                   family.signIn(Family::signInToken(family.newestMail(QStringLiteral("web_sign_in")))));
}

void WebOverviewTest::unsubscribeInOneClickAndUndo() {
    ServerHarness server;
    Family family(server);
    family.link();
    QCOMPARE(family.alert().status, 200);
    const QString mail = family.newestMail(QStringLiteral("alert"));
    static const QRegularExpression header(QStringLiteral(
        "\r\nList-Unsubscribe:\\s+<http://127\\.0\\.0\\.1:\\d+(/oversigt/afmeld\\?token=[\\w-]+)>\r\n"
        "List-Unsubscribe-Post: List-Unsubscribe=One-Click\r\n"));
    const QString unsubscribe = header.match(mail).captured(1);
    QVERIFY2(!unsubscribe.isEmpty(), qPrintable(mail));
    const auto alertsTo = [&] {
        return server
            .rows(QStringLiteral("SELECT 1 FROM outbox WHERE kind = 'alert' AND recipient = '%1'")
                      .arg(relativeEmail))
            .size();
    };

    // Opening the link changes nothing; the mail provider's one-click POST (no Origin) does.
    QVERIFY(server.browse("GET", unsubscribe, {})
                .body.contains("<button type=\"submit\">Afmeld advarsler</button>"));
    server.advance(hour);
    QCOMPARE(family.alert().status, 200);
    QCOMPARE(alertsTo(), 2);
    const auto clicked = server.send("POST", unsubscribe, "List-Unsubscribe=One-Click");
    QCOMPARE(clicked.status, 200);
    QVERIFY(clicked.body.contains("Modtag advarsler igen"));
    server.advance(hour);
    QCOMPARE(family.alert().status, 200);
    QCOMPARE(alertsTo(), 2);
    QString forged = unsubscribe;
    forged.back() = forged.back() == QLatin1Char('0') ? QLatin1Char('1') : QLatin1Char('0');
    QCOMPARE(server.send("POST", forged, "").status, 404);

    // The overview, signed in from the first alert, offers the undo.
    const QString session = family.signIn(Family::signInToken(mail));
    QVERIFY(server.browse("GET", QStringLiteral("/oversigt/"), family.page(session))
                .body.contains("Modtag advarsler igen"));
    QCOMPARE(server.browse("POST", QStringLiteral("/oversigt/tilmeld"), family.page(session)).status, 303);
    server.advance(hour);
    QCOMPARE(family.alert().status, 200);
    QCOMPARE(alertsTo(), 3);
    QVERIFY(server.browse("GET", QStringLiteral("/oversigt/"), family.page(session))
                .body.contains("Afmeld advarsler"));
}

QTEST_GUILESS_MAIN(WebOverviewTest)
#include "WebOverviewTest.moc"
