// The reference server as an attacker meets it, over real sockets on loopback: each case runs a
// bounded attack, states the limit the server must hold it to (from AbuseLimits.h) and fails when the
// attack gets further. "Many addresses" are client addresses named by X-Real-IP, as nginx forwards
// them to a server started with --behind-proxy.
#include "AbuseLimits.h"
#include "ServerHarness.h"

#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSet>
#include <QTcpSocket>
#include <QtTest/QtTest>

#include <algorithm>

using namespace molvena;
using namespace molvena::test;
namespace limits = molvena::server::limits;

namespace {

void behindProxy(server::ServerOptions& options) {
    options.behindProxy = true;
}

using Answer = ServerHarness::Reply;

Answer linkFrom(ServerHarness& harness, const QString& address, const QString& code, const QString& email) {
    return harness.post(QStringLiteral("pairing.php"), {{"action", "link"}, {"code", code}, {"email", email}},
                        address);
}

Answer registerFrom(ServerHarness& harness, const QString& address, const QString& code, const QString& email,
                    const QString& name = QStringLiteral("X")) {
    return harness.post(QStringLiteral("pairing.php"),
                        ServerHarness::registration(ServerHarness::newDeviceToken(), code, email,
                                                    QStringLiteral("1111"), name),
                        address);
}

// The confirmation link of the newest mail of `kind`.
QString mailedLink(ServerHarness& harness, const QString& kind) {
    static const QRegularExpression link(QStringLiteral("confirm_\\w+\\.php\\?\\S+"));
    return link.match(harness.newestMail(kind)).captured(0);
}

QString randomCode() {
    return QStringLiteral("%1").arg(QRandomGenerator::global()->bounded(100000, 1000000));
}

} // namespace

class AttackTest : public QObject {
    Q_OBJECT
private slots:
    void ambiguousOrOversizedRequestsAreCutOff_data();
    void ambiguousOrOversizedRequestsAreCutOff();
    void slowIdleAndSurplusConnectionsAreClosed();
    void codesCannotBeListedOrMassLinked();
    void anAddressBelongsToWhoeverConfirmsIt_data();
    void anAddressBelongsToWhoeverConfirmsIt();
    void limitsPassNoBurstAtAWindowsEnd();
    void smallerFindingsHold();
    void mailGoesOnlyToConfirmedAddresses();
    void recoveryResistsGuessingAndCannotLockTheOwnerOut();
    void recoveryRequestsLookTheSameForEveryAddress();
};

void AttackTest::ambiguousOrOversizedRequestsAreCutOff_data() {
    QTest::addColumn<QByteArrayList>("requests"); // on one kept-alive connection, 1.2 s apart
    QTest::addColumn<QByteArray>("statusLine");   // of the last reply; empty: any but a server error, or none
    const auto row = [](const char* name, const QByteArrayList& requests, const QByteArray& statusLine) {
        QTest::newRow(name) << requests << statusLine;
    };
    const QByteArray post = "POST /api/count.php HTTP/1.1\r\nHost: x\r\n";
    row("length and chunked", {post + "Content-Length: 5\r\nTransfer-Encoding: chunked\r\n\r\n0\r\n\r\n"},
        "HTTP/1.1 400");
    row("chunked", {post + "Transfer-Encoding: chunked\r\n\r\n0\r\n\r\n"}, "HTTP/1.1 411");
    row("two lengths", {post + "Content-Length: 1\r\nContent-Length: 40\r\n\r\nx"}, "HTTP/1.1 400");
    row("signed length", {post + "Content-Length: +1\r\n\r\nx"}, "HTTP/1.1 400");
    row("folded header", {post + "X-A: 1\r\n Content-Length: 3\r\n\r\nabc"}, "HTTP/1.1 400");
    row("bare line feed", {"GET /api/count.php HTTP/1.1\nHost: x\n\n"}, "HTTP/1.1 400");
    row("50 MiB announced", {post + "Content-Length: 52428800\r\n\r\n"}, "HTTP/1.1 413");
    row("headers over 16 KiB", {post + "X-Pad: " + QByteArray(17 * 1024, 'a') + "\r\n\r\n"}, "HTTP/1.1 431");
    row("headers without an end", {post + "X-Pad: " + QByteArray(64 * 1024, 'a')}, "HTTP/1.1 431");
    const QByteArray pairing = "POST /api/pairing.php HTTP/1.1\r\nHost: x\r\n";
    row("form without type", {pairing + "Content-Length: 13\r\n\r\naction=link&x"}, "HTTP/1.1 415");
    row("form as text", {pairing + "Content-Type: text/plain\r\nContent-Length: 13\r\n\r\naction=link&x"},
        "HTTP/1.1 415");
    row("nonsense", {"NONSENSE\r\n\r\n"}, {});
    row("unknown version", {"GET /api/count.php HTTP/9.9\r\n\r\n"}, {});
    row("NUL in the path", {"GET /api/count.php%00.php HTTP/1.1\r\nHost: x\r\n\r\n"}, "HTTP/1.1 404");
    row("encoded dot and slash", {"GET /api/count%2Ephp%2F HTTP/1.1\r\nHost: x\r\n\r\n"}, "HTTP/1.1 404");
    row("body shorter than its length", {post + "Content-Length: 5\r\n\r\nab"}, {});
    // Two whole requests further apart than the guard's time-out: each is answered, neither timed out.
    const QByteArray withBody = "POST /api/mac_account.php HTTP/1.1\r\nHost: x\r\nContent-Length: 68\r\n"
                                "Content-Type: application/x-www-form-urlencoded\r\n\r\n"
                                "action=profile&device_token=mac-00000000-0000-0000-0000-000000000000";
    row("kept alive past the time-out", {withBody, withBody}, "HTTP/1.1 404");
}

void AttackTest::ambiguousOrOversizedRequestsAreCutOff() {
    QFETCH(QByteArrayList, requests);
    QFETCH(QByteArray, statusLine);
    ServerHarness harness([](server::ServerOptions& options) { options.requestTimeoutMilliseconds = 1000; });
    const QByteArray answer = harness.raw(requests, 1200);
    const QByteArray last = answer.mid(std::max<qsizetype>(0, answer.lastIndexOf("HTTP/1.1 ")));
    QVERIFY2(!answer.contains("HTTP/1.1 5") && last.startsWith(statusLine), answer.left(400).constData());
    // One reply to each request: nothing smuggled behind one was answered.
    QVERIFY(statusLine.isEmpty() || answer.count("HTTP/1.1 ") == requests.size());
    QCOMPARE(harness.get(QStringLiteral("count.php")).status, 200);
}

void AttackTest::slowIdleAndSurplusConnectionsAreClosed() {
    ServerHarness harness([](server::ServerOptions& options) {
        options.requestTimeoutMilliseconds = 400;
        options.idleTimeoutMilliseconds = 400;
        options.maximumConnections = 16;
    });
    // Idle after connecting, and a request trickling in a byte at a time: both closed in time.
    const auto idle = harness.connection();
    const auto slow = harness.connection();
    slow->write("GET /api/count.php HTTP/1.1\r\n");
    const auto closed = [](const auto& socket) { return socket->state() != QAbstractSocket::ConnectedState; };
    // The slow one trickles a byte each time it is looked at.
    QVERIFY2(QTest::qWaitFor([&] { return (closed(slow) || slow->write("X") < 0) && closed(idle); }, 3000),
             "slow or idle connection still open after 3 s (limit 0.4 s)");
    QVERIFY(slow->readAll().startsWith("HTTP/1.1 408"));

    // More connections than the cap: the surplus is closed at once, the rest keep working.
    std::vector<std::unique_ptr<QTcpSocket>> flood;
    for (int i = 0; i < 40; ++i) {
        flood.push_back(harness.connection());
    }
    QTest::qWait(150);
    const auto open = flood.size() - std::count_if(flood.begin(), flood.end(), closed);
    QCOMPARE_LE(open, 16u);
    flood.clear();
    QVERIFY(QTest::qWaitFor([&] { return harness.server().openConnections() == 0; }, 2000));
    QCOMPARE(harness.get(QStringLiteral("count.php")).status, 200);
}

void AttackTest::codesCannotBeListedOrMassLinked() {
    ServerHarness harness(behindProxy);
    const auto anna = harness.registerPlayer();

    // One address, 200 guesses: answered at most its budget. Many addresses of one network share
    // the network's: 150 addresses of one /24, 100 of one IPv6 /48 (each in a /56 of its own).
    const struct {
        const char* what;
        int addresses;
        std::function<QString(int)> address;
        int budget;
    } floods[] = {
        {"one address", 1, [](int) { return QStringLiteral("203.0.113.1"); },
         limits::codeProbes.address.count},
        {"one /24", 150, [](int i) { return QStringLiteral("198.51.100.%1").arg(i + 1); },
         limits::codeProbes.ipv4Net24.count},
        {"one /48", 100, [](int i) { return QStringLiteral("2001:db8:5:%1::1").arg(i * 256, 0, 16); },
         limits::codeProbes.ipv6Net48.count},
    };
    for (const auto& flood : floods) {
        int answered = 0;
        for (int i = 0; i < 200; ++i) {
            answered += linkFrom(harness, flood.address(i % flood.addresses), randomCode(),
                                 QStringLiteral("x@example.dk"))
                            .status == 200;
        }
        QVERIFY2(answered <= flood.budget,
                 qPrintable(QStringLiteral("%1: %2").arg(flood.what).arg(answered)));
    }

    // Registering to find codes in use: answered at most within the address's budget.
    int registrations = 0;
    for (int i = 0; i < 50; ++i) {
        registrations +=
            registerFrom(harness, QStringLiteral("203.0.113.9"), i == 5 ? anna.pairingCode : randomCode(),
                         QStringLiteral("probe%1@example.dk").arg(i))
                .status == 200;
    }
    QCOMPARE_LE(registrations, limits::codeProbes.address.count);

    // What strangers did switches nothing off: a new user elsewhere still registers, a relative who
    // mistyped once still links.
    QVERIFY(registerFrom(harness, QStringLiteral("192.0.2.50"), QStringLiteral("777888"),
                         QStringLiteral("eva@example.dk"))
                .succeeded());
    QVERIFY(!linkFrom(harness, QStringLiteral("192.0.2.60"), QStringLiteral("482918"),
                      QStringLiteral("bo@example.dk"))
                 .succeeded());
    QVERIFY(linkFrom(harness, QStringLiteral("192.0.2.60"), anna.pairingCode, QStringLiteral("bo@example.dk"))
                .succeeded());
    // The right code from 20 more fresh addresses: linksPerCode links a day, each with a new token.
    QSet<QString> tokens;
    for (int i = 0; i < 20; ++i) {
        const Answer linked = linkFrom(harness, QStringLiteral("192.0.%1.1").arg(i + 3), anna.pairingCode,
                                       QStringLiteral("r%1@example.dk").arg(i));
        if (linked.succeeded()) {
            tokens.insert(linked.json.value(QStringLiteral("pairing_token")).toString());
        }
    }
    QCOMPARE(tokens.size(), limits::linksPerCode.count - 1);
}

void AttackTest::anAddressBelongsToWhoeverConfirmsIt_data() {
    QTest::addColumn<QString>("attackersSpelling");
    QTest::newRow("same address") << QStringLiteral("kim@example.dk");
    QTest::newRow("full-width, upper case") << QStringLiteral("KIM@\uFF45xample.dk");
}

void AttackTest::anAddressBelongsToWhoeverConfirmsIt() {
    QFETCH(QString, attackersSpelling);
    ServerHarness harness(behindProxy);
    const QString owner = QStringLiteral("192.0.2.10");
    const auto recover = [&] {
        return harness.recoverPlayer(QStringLiteral("kim@example.dk"), ServerHarness::newDeviceToken(),
                                     owner);
    };
    // Mallory registers first with Kim's address; nobody confirmed it, so recovery reaches nothing.
    QVERIFY(registerFrom(harness, QStringLiteral("203.0.113.66"), QStringLiteral("666666"), attackersSpelling)
                .succeeded());
    QVERIFY(!recover().succeeded());
    // Kim registers with the address, opens the mail's link (a GET confirms nothing) and confirms.
    QVERIFY(registerFrom(harness, owner, QStringLiteral("123123"), QStringLiteral("kim@example.dk"),
                         QStringLiteral("Kim"))
                .succeeded());
    QCOMPARE(harness.get(mailedLink(harness, QStringLiteral("player_confirmation"))).status, 200);
    QVERIFY(!recover().succeeded());
    QCOMPARE(harness.confirmLinks(QStringLiteral("player_confirmation")), 1);
    // Recovery lands in Kim's account; Mallory's confirmation link, had she had it, is void now.
    const Answer recovered = recover();
    QVERIFY(recovered.succeeded());
    QCOMPARE(recovered.json.value(QStringLiteral("name")).toString(), QStringLiteral("Kim"));
    QCOMPARE(recovered.json.value(QStringLiteral("pairing_code")).toString(), QStringLiteral("123123"));
    // A confirmed address is taken: nobody else registers with it, in any spelling.
    QVERIFY(
        !registerFrom(harness, QStringLiteral("203.0.113.67"), QStringLiteral("767676"), attackersSpelling)
             .succeeded());
}

void AttackTest::limitsPassNoBurstAtAWindowsEnd() {
    ServerHarness harness(behindProxy);
    const auto anna = harness.registerPlayer();
    // One use, then nearly the window later as many as allowed, then more a second later: at no
    // moment may one second pass more than the limit.
    const struct {
        const char* what;
        int limit;
        qint64 window;
        std::function<bool()> attempt;
    } rows[] = {
        {"link guesses", 10, 3600,
         [&] {
             return linkFrom(harness, QStringLiteral("203.0.113.1"), QStringLiteral("111111"),
                             QStringLiteral("x@example.dk"))
                        .status == 200;
         }},
        {"wrong PINs", 5, 900,
         [&] {
             return harness
                        .account(anna.deviceToken, QStringLiteral("update_pin"),
                                 {{"old_pin", "0000"}, {"new_pin", "1111"}})
                        .status == 403;
         }},
    };
    for (const auto& row : rows) {
        row.attempt();
        harness.advance(row.window - 1);
        int passed = 0;
        for (int i = 0; i < 4 * row.limit; ++i) {
            harness.advance(i == 2 * row.limit); // the window's last second, then the next
            passed += row.attempt();
        }
        QVERIFY2(passed <= row.limit,
                 qPrintable(QStringLiteral("%1: %2 in one second").arg(row.what).arg(passed)));
        harness.advance(limits::day);
    }
}

// The medium and low findings, one fresh server each: each row states what must hold and fails when
// an attacker gets further.
void AttackTest::smallerFindingsHold() {
    const struct {
        const char* rule;
        std::function<bool(ServerHarness&, const ServerHarness::Player&)> holds;
    } rows[] = {
        {"linking a known relative's address again takes effect only when the relative confirms",
         [&](ServerHarness& harness, const ServerHarness::Player& anna) {
             const QString first = harness.linkRelative(anna.pairingCode, QStringLiteral("bo@example.dk"));
             harness.confirmRelatives();
             const QString second = harness.linkRelative(anna.pairingCode, QStringLiteral("bo@example.dk"));
             // Never the token on record, and it waits for the relative.
             const bool waits =
                 harness.activity(first).status == 200 && harness.activity(second).status == 403;
             return waits && harness.confirmRelatives() == 1 && harness.activity(first).status == 404 &&
                    harness.activity(second).status == 200;
         }},
        {"a relative's recovery lands only in a confirmed pairing",
         [&](ServerHarness& harness, const ServerHarness::Player& anna) {
             harness.linkRelative(anna.pairingCode, QStringLiteral("bo@example.dk"));
             harness.post(QStringLiteral("recovery_request.php"),
                          {{"email", "bo@example.dk"}, {"role", "relative"}});
             return harness.latestRecoveryCode(QStringLiteral("bo@example.dk")).isEmpty();
         }},
        {"one Mac's status reports are limited and so is what is kept of them",
         [&](ServerHarness& harness, const ServerHarness::Player& anna) {
             for (int i = 0; i < 300; ++i) {
                 harness.post(QStringLiteral("mac_device_status.php"),
                              ServerHarness::healthyHeartbeat(anna.deviceToken));
             }
             return harness.count(QStringLiteral("SELECT COUNT(*) FROM device_reports")) <=
                    limits::reportsPerMac.count;
         }},
        {"five wrong PINs are an alert for the confirmed relatives",
         [&](ServerHarness& harness, const ServerHarness::Player& anna) {
             harness.linkRelative(anna.pairingCode, QStringLiteral("bo@example.dk"));
             harness.confirmRelatives();
             for (int i = 0; i < 8; ++i) {
                 harness.account(anna.deviceToken, QStringLiteral("remove_device"), {{"pin", "0000"}});
             }
             return harness.count(QStringLiteral("SELECT COUNT(*) FROM outbox WHERE kind = 'alert'")) == 1;
         }},
        {"a player's events stay bounded",
         [&](ServerHarness& harness, const ServerHarness::Player& anna) {
             for (int i = 0; i < limits::eventsKeptPerPlayer + 100; ++i) {
                 if (i % limits::alertsPerPlayer.count == 0) {
                     harness.advance(limits::day);
                 }
                 harness.notify(anna.deviceToken, QStringLiteral("mac_vpn_detected"));
             }
             return harness.count(QStringLiteral("SELECT COUNT(*) FROM events")) <=
                    limits::eventsKeptPerPlayer;
         }},
        {"a name is measured in the characters a person sees (101 are too many: HostileInputTest)",
         [&](ServerHarness& harness, const ServerHarness::Player&) {
             QString thumbs; // 60 thumbs up with a skin tone: 60 characters, 240 UTF-16 units
             for (int i = 0; i < 60; ++i) {
                 thumbs += QStringLiteral("\U0001F44D\U0001F3FD");
             }
             return registerFrom(harness, {}, QStringLiteral("100001"), QStringLiteral("t@example.dk"),
                                 thumbs)
                 .succeeded();
         }},
    };
    QStringList broken;
    for (const auto& row : rows) {
        ServerHarness harness;
        const auto anna = harness.registerPlayer();
        if (!row.holds(harness, anna)) {
            broken.append(QString::fromUtf8(row.rule));
        }
    }
    QVERIFY2(broken.isEmpty(), qPrintable(broken.join(QStringLiteral("; "))));
}

void AttackTest::mailGoesOnlyToConfirmedAddresses() {
    ServerHarness harness(behindProxy);
    const QString longName = QString(100, QChar(0xF8)); // ø
    const auto anna = harness.registerPlayer(longName);
    const auto link = [&](int day, int i, const QString& email) {
        return linkFrom(harness, QStringLiteral("192.0.2.%1").arg(day * 10 + i + 1), anna.pairingCode, email);
    };
    // Address lists and header tricks never become a recipient.
    for (const char* email :
         {"a@example.dk,b@example.dk", "a@example.dk b@x.dk", "<a@example.dk>", "\"a\"@example.dk"}) {
        QCOMPARE(link(0, 9, QString::fromLatin1(email)).status, 400);
    }
    // Four days of links: relativesPerPlayer in all, linksPerCode a day.
    int linked = 0;
    for (int day = 0; day < 4; ++day) {
        for (int i = 0; i < 4; ++i) {
            linked += link(day, i, QStringLiteral("r%1-%2@example.dk").arg(day).arg(i)).succeeded();
        }
        harness.advance(limits::day + 1);
    }
    QCOMPARE(linked, limits::relativesPerPlayer);
    QCOMPARE(
        harness.count(QStringLiteral("SELECT COUNT(*) FROM outbox WHERE kind = 'relative_confirmation'")),
        linked);

    // Nobody confirmed: an alert mails nobody. Two confirm: alerts go to those two, a day's worth.
    const auto alert = [&] { return harness.notify(anna.deviceToken, QStringLiteral("mac_vpn_detected")); };
    QVERIFY(alert().status == 200);
    QCOMPARE(harness.count(QStringLiteral("SELECT COUNT(*) FROM outbox WHERE kind = 'alert'")), 0);
    harness.rows(QStringLiteral("UPDATE relatives SET confirm_token = NULL WHERE id > 2"));
    QCOMPARE(harness.confirmRelatives(), 2);
    int alerts = 1;
    for (int i = 0; i < 30; ++i) {
        alerts += alert().status == 200;
    }
    QCOMPARE(alerts, limits::alertsPerPlayer.count);
    const auto mails = harness.rows(QStringLiteral("SELECT file_name FROM outbox WHERE kind = 'alert'"));
    QCOMPARE(mails.size(), 2 * (limits::alertsPerPlayer.count - 1));
    // The Subject of a long Danish name is folded into encoded words that mail programs accept.
    const QString message = harness.outboxMessage(mails.first().first().toString());
    for (const QString& line :
         message.left(message.indexOf(QStringLiteral("\r\n\r\n"))).split(QStringLiteral("\r\n"))) {
        QVERIFY2(line.size() <= 78, qPrintable(line));
    }
}

void AttackTest::recoveryResistsGuessingAndCannotLockTheOwnerOut() {
    ServerHarness harness(behindProxy);
    const QString anna = harness.registerPlayer().email;
    const QString owner = QStringLiteral("192.0.2.10");
    const QString ownerMac = ServerHarness::newDeviceToken();
    const auto request = [&](const QString& address, const QString& email) {
        return harness.post(QStringLiteral("recovery_request.php"), {{"email", email}, {"role", "player"}},
                            address);
    };
    const auto verify = [&](const QString& address, const QString& code, const QString& email = {}) {
        return harness.post(
            QStringLiteral("mac_recovery_verify.php"),
            ServerHarness::recoveryVerification(email.isEmpty() ? anna : email, code, ownerMac), address);
    };
    QVERIFY(request(owner, anna).succeeded());
    const QString ownersCode = harness.latestRecoveryCode(anna);

    // 50 addresses of one network request codes and guess 20 times each, the owner's code among
    // the guesses; the network's requests and codes are its own budget's.
    int asked = 0;
    for (int address = 0; address < 50; ++address) {
        const QString attacker = QStringLiteral("198.51.100.%1").arg(address + 1);
        asked += request(attacker, anna).succeeded();
        for (int guess = 0; guess < 20; ++guess) {
            QVERIFY2(!verify(attacker, guess == 7 ? ownersCode : randomCode()).succeeded(),
                     "a code worked from an address that did not ask for it");
        }
    }
    QCOMPARE(asked, limits::recoveryRequests.ipv4Net24.count);
    QCOMPARE(harness.count(QStringLiteral("SELECT COUNT(*) FROM recovery_codes")),
             1 + limits::recoveryCodesPerEmailAndNetwork.count);
    // The codes strangers asked for left the owner's alone: a new one still comes this hour, in
    // whatever case the address is typed. It ends the older one, with the refusal an address
    // without an account gets, works once, names the address as registered and is kept hashed.
    QVERIFY(request(owner, anna.toUpper()).succeeded());
    const QString newer = harness.latestRecoveryCode(anna);
    const Answer older = verify(owner, newer != ownersCode ? ownersCode : QStringLiteral("000000"));
    QVERIFY(!older.succeeded());
    QCOMPARE(verify(owner, newer, QStringLiteral("nobody@example.dk")).body, older.body);
    QCOMPARE(verify(owner, newer, anna.toUpper()).json.value(QStringLiteral("email")), anna);
    QVERIFY(!verify(owner, newer).succeeded());
    QVERIFY(!harness.snapshot().contains(QRegularExpression(QStringLiteral("\\b%1\\b").arg(newer))));
    // One address guessing its own codes: after wrongRecoveryCodesPerAddress wrong ones, even the
    // right code is refused.
    const QString guesser = QStringLiteral("198.51.100.1");
    harness.advance(limits::hour + 1);
    QVERIFY(request(guesser, anna).succeeded());
    const QString guessersCode = harness.latestRecoveryCode(anna);
    for (int i = 0; i < limits::wrongRecoveryCodesPerAddress.count; ++i) {
        verify(guesser, QStringLiteral("000000"));
    }
    QVERIFY(!verify(guesser, guessersCode).succeeded());
    // The owner was never locked out: a fresh request from the owner's address works.
    QVERIFY(harness.recoverPlayer(anna, ownerMac, owner).succeeded());
    // One address asks for codes at most recoveryRequestsPerAddress times an hour.
    int requests = 0;
    for (int i = 0; i < 20; ++i) {
        requests +=
            request(QStringLiteral("203.0.113.5"), QStringLiteral("x%1@example.dk").arg(i)).succeeded();
    }
    QCOMPARE(requests, limits::recoveryRequests.address.count);
}

void AttackTest::recoveryRequestsLookTheSameForEveryAddress() {
    ServerHarness harness;
    harness.registerPlayer();
    // Known, unknown, and known in another role: the same answer, and for a player's address known
    // or not the same database work, the only thing that could make its time differ.
    QSet<QByteArray> bodies;
    QSet<qint64> roundTrips[3];
    int known = 0;
    for (int i = 0; i < 99; ++i) {
        harness.advance(limits::hour + 1); // fresh hourly budgets: every known request mails a code
        // The previous request's mail is written after its reply; its work is not this one's.
        harness.server().waitForOutbox();
        const int kind = i % 3;
        known += kind == 0;
        const qint64 before = harness.server().databaseRoundTrips();
        const auto reply = harness.post(QStringLiteral("recovery_request.php"),
                                        {{"email", kind == 1 ? QStringLiteral("nobody%1@example.dk").arg(i)
                                                             : QStringLiteral("anna@example.dk")},
                                         {"role", kind == 2 ? "relative" : "player"}});
        QCOMPARE(reply.status, 200);
        bodies.insert(reply.body);
        if (i >= 3) { // the first requests prepare their statements
            roundTrips[kind].insert(harness.server().databaseRoundTrips() - before);
        }
    }
    QCOMPARE(bodies.size(), 1);
    harness.server().waitForOutbox(); // then the address's confirmation and a code each:
    QCOMPARE(harness.count(QStringLiteral("SELECT COUNT(*) FROM outbox")), 1 + known);
    QCOMPARE(roundTrips[0], roundTrips[1]);
    QCOMPARE(roundTrips[0].size(), 1);
}

QTEST_GUILESS_MAIN(AttackTest)
#include "AttackTest.moc"
