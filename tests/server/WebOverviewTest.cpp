// The relatives' web overview, server side: sign-in links from the mails, sessions, "send me a
// link", the forms' origin check, one-click unsubscribing and what the pages show.
#include "ServerHarness.h"

#include <QDir>
#include <QRegularExpression>
#include <QtTest/QtTest>

using namespace molvena;
using test::ServerHarness;
using Headers = ServerHarness::Headers;

namespace {

constexpr qint64 day = 24 * 3600;
const QString relativeEmail = QStringLiteral("mor@example.dk");

// A player whose name would run script on a page that forgot to escape it, a relative, and that
// relative's browser.
struct Family {
    ServerHarness server;
    ServerHarness::Player player =
        server.registerPlayer(QStringLiteral("Mikkel <script>alert(\"x\")</script>"),
                              QStringLiteral("mikkel@example.dk"), QStringLiteral("482913"));
    QString pairingToken;

    void link(bool confirm = true) {
        pairingToken = server.linkRelative(player.pairingCode, relativeEmail);
        if (confirm) {
            server.confirmRelatives();
        }
    }
    // What a page of ours sends: its origin, and the cookie.
    Headers ours(const QString& session = {}) {
        return {{"Origin", "http://127.0.0.1:" + QByteArray::number(server.server().port())},
                {"Cookie", "molvena_oversigt=" + session.toLatin1()}};
    }
    QString token(const QString& kind) {
        static const QRegularExpression link(QStringLiteral("/oversigt/log-ind\\?token=([0-9a-f]{48})"));
        return link.match(server.newestMail(kind, relativeEmail)).captured(1);
    }
    // The link page's button, as Chromium posts it under Referrer-Policy: no-referrer.
    ServerHarness::Reply press(const QString& token) {
        return server.browse("POST", QStringLiteral("/oversigt/log-ind"),
                             {{"Origin", "null"}, {"Sec-Fetch-Site", "same-origin"}},
                             "token=" + token.toLatin1());
    }
    QString signIn(const QString& token) {
        static const QRegularExpression cookie(QStringLiteral("^molvena_oversigt=([0-9a-f]{48});"));
        return cookie.match(QString::fromLatin1(press(token).headers.value("set-cookie"))).captured(1);
    }
    int alert() {
        return server.notify(player.deviceToken, QStringLiteral("mac_dns_profile_removed_externally")).status;
    }
    int alertsToRelative() {
        return int(server.rows(QStringLiteral("SELECT 1 FROM outbox WHERE kind = 'alert'")).size());
    }
};

// The overview under a name that would run script unescaped; what else it shows against
// relative_activity.php is checked in a browser, in tests/web.
void verifyOverview(Family& family, const QString& session) {
    const QByteArray name =
        "<h1 id=\"spiller\">Mikkel &lt;script&gt;alert(&quot;x&quot;)&lt;/script&gt;</h1>";
    const auto page = family.server.browse("GET", QStringLiteral("/oversigt/"), family.ours(session));
    QCOMPARE(page.status, 200);
    QVERIFY(page.body.contains(name) && !page.body.contains("<script>alert"));
    QVERIFY(!page.body.contains(relativeEmail.toUtf8())); // nothing of the relatives, not even the reader's
    QVERIFY(page.body.size() < 50 * 1024);
    // A browser cannot tell these days from other numbers on the page.
    const qint64 days =
        family.server.activity(family.pairingToken).json[u"summary"][u"days_clean"].toInteger();
    QVERIFY(page.body.contains("<span class=\"tal\">" + QByteArray::number(days) + "</span> dage molvena"));
    // The refresh fetches the same.
    QVERIFY(family.server.browse("GET", QStringLiteral("/oversigt/status"), family.ours(session))
                .body.contains(name));
}

} // namespace

class WebOverviewTest : public QObject {
    Q_OBJECT

private slots:
    void signInLink_data();
    void signInLink();
    void unpairingEndsTheSession();
    void formsFromElsewhere_data();
    void formsFromElsewhere();
    void sendLinkAnswersAlikeWithinLimits();
    void unsubscribeInOneClickAndUndo();
};

void WebOverviewTest::signInLink_data() {
    QTest::addColumn<qint64>("relayAway");     // seconds the confirmation mail waits for the relay
    QTest::addColumn<qint64>("afterHandOver"); // seconds from its hand-over to the click
    QTest::addColumn<int>("expected");         // of the press on its button
    // A scanner's GET, a spent link and the pages of refused ones are in tests/web, in a browser.
    QTest::newRow("six days after hand-over") << 0LL << 6 * day << 303;
    QTest::newRow("a week after hand-over") << 0LL << 7 * day + 60 << 410;
    QTest::newRow("relay away 20 h; 6.5 days after hand-over") << day * 5 / 6 << day * 13 / 2 << 303;
}

void WebOverviewTest::signInLink() {
    QFETCH(qint64, relayAway);
    QFETCH(qint64, afterHandOver);
    QFETCH(int, expected);
    Family family;
    // The relay is away: the outbox folder's name is taken by a file.
    const QString outbox = family.server.server().outboxFolder();
    QVERIFY(QDir().rename(outbox, outbox + ".away") && QFile(outbox).open(QIODevice::WriteOnly));
    // Expected before the link: the outbox may try the mail as soon as it is queued.
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("not delivered yet")));
    family.link(false);
    family.server.server().waitForOutbox();
    family.server.advance(relayAway + 60);
    QVERIFY(QFile::remove(outbox) && QDir().rename(outbox + ".away", outbox));
    const QString token = family.token(QStringLiteral("relative_confirmation")); // handed over now
    QVERIFY(!token.isEmpty());
    QVERIFY(!family.server.snapshot().contains(token)); // only its hash is kept
    family.server.advance(afterHandOver);

    const auto pressed = family.press(token);
    QCOMPARE(pressed.status, expected);
    if (expected != 303) {
        QVERIFY(!pressed.headers.contains("set-cookie"));
        return;
    }
    // The cookie's other attributes are checked in a browser, in tests/web.
    const QByteArray cookie = pressed.headers.value("set-cookie");
    QVERIFY2(cookie.contains("; Max-Age=2592000;"), cookie.constData());
    const QString session = QString::fromLatin1(cookie.mid(17, 48));
    QVERIFY(!family.server.snapshot().contains(session));
    verifyOverview(family, session);
}

// "Log ud" and the player's removal of the relative end a session in tests/web, in a browser.
void WebOverviewTest::unpairingEndsTheSession() {
    Family family;
    family.link();
    const QString session = family.signIn(family.token(QStringLiteral("relative_confirmation")));
    verifyOverview(family, session);
    ServerHarness& server = family.server;
    QCOMPARE(
        server.post(QStringLiteral("pairing.php"), {{"action", "unlink"}, {"token", family.pairingToken}})
            .status,
        200);
    const auto home = server.browse("GET", QStringLiteral("/oversigt/"), family.ours(session));
    QVERIFY(home.status == 200 && home.body.contains("Send mig et link") &&
            !home.body.contains("id=\"spiller\""));
    QVERIFY(home.headers.value("set-cookie").startsWith("molvena_oversigt=; Path=/oversigt/; Max-Age=0;"));
    QCOMPARE(server.browse("GET", QStringLiteral("/oversigt/status"), family.ours(session)).status, 401);
}

void WebOverviewTest::formsFromElsewhere_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<QByteArray>("headers"); // "Name: value" lines
    for (const char* path : {"/oversigt/log-ind", "/oversigt/send-link", "/oversigt/log-ud",
                             "/oversigt/afmeld", "/oversigt/tilmeld"}) {
        for (const char* headers :
             {"Origin: https://molvena.example.net", "Origin: null\nSec-Fetch-Site: cross-site",
              "Origin: null", "Sec-Fetch-Site: same-site", "X-Neither: 1"}) {
            QTest::addRow("%s, %s", path, headers) << QString::fromLatin1(path) << QByteArray(headers);
        }
    }
}

void WebOverviewTest::formsFromElsewhere() {
    QFETCH(QString, path);
    QFETCH(QByteArray, headers);
    Family family;
    family.link();
    const QString unused = family.token(QStringLiteral("relative_confirmation"));
    QCOMPARE(family.alert(), 200);
    const QString session = family.signIn(family.token(QStringLiteral("alert")));
    Headers sent{{"Cookie", "molvena_oversigt=" + session.toLatin1()}};
    for (const QByteArray& line : headers.split('\n')) {
        sent.append({line.left(line.indexOf(':')), line.mid(line.indexOf(':') + 2)});
    }
    const QString before = family.server.snapshot();
    const auto refused = family.server.browse(
        "POST", path, sent, "token=" + unused.toLatin1() + "&email=" + relativeEmail.toLatin1());
    QCOMPARE(refused.status, 403);
    QVERIFY(refused.body.contains("Handlingen blev afvist"));
    QCOMPARE(family.server.snapshot(), before);
    verifyOverview(family, session); // still signed in
}

void WebOverviewTest::sendLinkAnswersAlikeWithinLimits() {
    Family family;
    family.link();
    // Recovery's limits: five requests an hour from one address, three mails an hour to one address.
    QByteArray answer;
    for (const QString& address : {relativeEmail, QStringLiteral("ukendt@example.dk"),
                                   relativeEmail.toUpper(), relativeEmail, relativeEmail}) {
        const auto reply = family.server.browse("POST", QStringLiteral("/oversigt/send-link"), family.ours(),
                                                "email=" + QUrl::toPercentEncoding(address));
        QCOMPARE(reply.status, 200);
        QVERIFY(reply.body.contains("Hvis adressen hører til en pårørende, har vi sendt et link."));
        QVERIFY(answer.isEmpty() || reply.body == answer);
        answer = reply.body;
    }
    QCOMPARE(family.server.rows(QStringLiteral("SELECT 1 FROM outbox WHERE kind = 'web_sign_in'")).size(), 3);
    QCOMPARE(
        family.server.browse("POST", QStringLiteral("/oversigt/send-link"), family.ours(), "email=a%40b.dk")
            .status,
        429);
    verifyOverview(family, family.signIn(family.token(QStringLiteral("web_sign_in"))));
}

void WebOverviewTest::unsubscribeInOneClickAndUndo() {
    Family family;
    family.link();
    ServerHarness& server = family.server;
    QCOMPARE(family.alert(), 200);
    const QString mail = server.newestMail(QStringLiteral("alert"), relativeEmail);
    const QString unsubscribe =
        QRegularExpression(QStringLiteral("\r\nList-Unsubscribe:\\s+<http://127\\.0\\.0\\.1:\\d+"
                                          "(/oversigt/afmeld\\?token=[\\w-]+)>\r\n"
                                          "List-Unsubscribe-Post: List-Unsubscribe=One-Click\r\n"))
            .match(mail)
            .captured(1);
    QVERIFY2(!unsubscribe.isEmpty(), qPrintable(mail));

    // Opening the link changes nothing; the mail provider's one-click POST (no Origin) does.
    QVERIFY(server.browse("GET", unsubscribe, {})
                .body.contains("<button type=\"submit\">Afmeld advarsler</button>"));
    QCOMPARE(family.alert(), 200);
    QCOMPARE(family.alertsToRelative(), 2);
    const auto clicked = server.send("POST", unsubscribe, "List-Unsubscribe=One-Click");
    QVERIFY(clicked.status == 200 && clicked.body.contains("Modtag advarsler igen"));
    QCOMPARE(family.alert(), 200);
    QCOMPARE(family.alertsToRelative(), 2);
    QString forged = unsubscribe;
    forged.back() = forged.back() == QLatin1Char('0') ? QLatin1Char('1') : QLatin1Char('0');
    QCOMPARE(server.send("POST", forged, "").status, 404);

    // The overview, signed in from the first alert, undoes it (its button is pressed in tests/web).
    const QString session = family.signIn(family.token(QStringLiteral("alert")));
    QCOMPARE(server.browse("POST", QStringLiteral("/oversigt/tilmeld"), family.ours(session)).status, 303);
    QCOMPARE(family.alert(), 200);
    QCOMPARE(family.alertsToRelative(), 3);
}

QTEST_GUILESS_MAIN(WebOverviewTest)
#include "WebOverviewTest.moc"
