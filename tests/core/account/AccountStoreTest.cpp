// The account store and the connected relatives store against the real reference server (a fresh
// SQLite file on a loopback port), and against a scripted peer for the replies that server never
// sends: what the player sees, what the session keeps and what the backend's database holds.
#include "FixedDeviceInfo.h"
#include "ScriptedHttpServer.h"
#include "ServerHarness.h"
#include "TaskTesting.h"
#include "TestSupport.h"
#include "account/HistoryTimestamp.h"
#include "account/MacAccountStore.h"
#include "account/PlayerConnectionStatusStore.h"
#include "backend/APIClient.h"
#include "session/AppSession.h"

#include <QNetworkAccessManager>
#include <QtTest/QtTest>

using namespace molvena;
using namespace molvena::test;
using namespace std::chrono_literals;

namespace {

// A session, the client and both stores, pointed at one API root.
struct App {
    explicit App(const QUrl& apiBase)
        : client(apiBase, QUrl(QStringLiteral("http://127.0.0.1:1/shield_blocked")), network, 5000ms, mac),
          store(client, preferences.store()), relatives(network, apiBase) {}

    TemporaryPreferences preferences;
    AppSession session{preferences.store()};
    QNetworkAccessManager network;
    FixedDeviceInfo mac;
    APIClient client;
    MacAccountStore store;
    PlayerConnectionStatusStore relatives;
};

QString contactsOnServer(ServerHarness& server) {
    return server.rows(QStringLiteral("SELECT support_contacts FROM players")).first().first().toString();
}

} // namespace

class AccountStoreTest : public QObject {
    Q_OBJECT
private slots:
    void accountJourneyAgainstTheServer();
    void malformedRepliesKeepWhatWasThere_data();
    void malformedRepliesKeepWhatWasThere();
    void contactString_data();
    void contactString();
    void relativeLabels_data();
    void relativeLabels();
    void historyTimestamps_data();
    void historyTimestamps();
};

void AccountStoreTest::accountJourneyAgainstTheServer() {
    ServerHarness server;
    App app(server.apiBase());
    MacAccountStore& store = app.store;
    AppSession& session = app.session;
    const QString token = session.deviceToken();
    completed(app.client.registerMacDevice(QStringLiteral("Anna"), QStringLiteral("anna@example.dk"),
                                           QStringLiteral("2468"), QStringLiteral("482917"), token));
    const QDateTime lastBet(QDate(2026, 2, 24), QTime(23, 0), Qt::UTC);
    completed(app.client.savePlayerProfile(token, lastBet, QStringLiteral("physical"),
                                           QStringLiteral("Bingo,Poker"), 2500));

    // Nothing loaded yet: the contacts come from the session's copy.
    session.setSupportContactsStr(QStringLiteral("Lokal::99"));
    QCOMPARE(store.emergencyContacts().first().name, QStringLiteral("Lokal"));
    QVERIFY(!store.hasProfile());

    QSignalSpy profileSignals(&store, &MacAccountStore::profileChanged);
    completed(store.loadProfile(session));
    QCOMPARE(store.lastError(), QString());
    QVERIFY(store.hasProfile() && !store.isLoadingProfile());
    QCOMPARE(profileSignals.count(), 1);
    QCOMPARE(session.masterPIN(), QStringLiteral("2468"));
    QCOMPARE(session.gamblingGameTypes(), QStringLiteral("Bingo,Poker"));
    QCOMPARE(session.gamblingLocationType(), QStringLiteral("physical"));
    QCOMPARE(session.supportContactsStr(), QString()); // the server's copy wins
    QVERIFY(store.emergencyContacts().isEmpty());

    // A relative pairs with the code; both stores see the server's rows, newest event first.
    QVERIFY(
        completed(app.client.pairRelative(QStringLiteral("482917"), QStringLiteral("bo.hansen@example.dk")))
            .success.value_or(false));
    completed(app.relatives.refreshConnections(token));
    QCOMPARE(app.relatives.relatives().size(), 1);
    QCOMPARE(app.relatives.relatives().first().id,
             server.rows(QStringLiteral("SELECT id FROM relatives")).first().first().toLongLong());
    QCOMPARE(app.relatives.relativeList().first().toMap().value(QStringLiteral("platformLabel")),
             QVariant("MACOS"));

    // Contacts: separators typed into a field are blanked, a repeated entry is saved unchanged.
    QVERIFY(completed(store.addContact(QStringLiteral("  Mor | "), QStringLiteral("1234::5678"), session)));
    QVERIFY(completed(store.addContact(QStringLiteral("Bo"), QStringLiteral("+45 2233 4455"), session)));
    QVERIFY(completed(store.addContact(QStringLiteral("Bo"), QStringLiteral("+45 2233 4455"), session)));
    const QString twoContacts = QStringLiteral("Mor  ::1234 5678|Bo::+45 2233 4455");
    QCOMPARE(contactsOnServer(server), twoContacts);
    QCOMPARE(session.supportContactsStr(), twoContacts);
    QCOMPARE(store.emergencyContacts().size(), 2);
    QVERIFY(!store.isSaving());

    const MacEmergencyContact mother = store.emergencyContacts().first();
    QVERIFY(completed(store.removeContact(mother, QStringLiteral("2468"), session)));
    QCOMPARE(contactsOnServer(server), QStringLiteral("Bo::+45 2233 4455"));
    QCOMPARE(store.emergencyContacts().size(), 1);

    // Master PIN: checked here for four numeric characters (any script), then by the server.
    QVERIFY(!completed(store.changeMasterPIN(QStringLiteral("2468"), QStringLiteral("12a4"), session)));
    QCOMPARE(store.lastError(), QStringLiteral("PIN skal bestå af præcis 4 cifre."));
    QVERIFY(completed(store.changeMasterPIN(QStringLiteral("٢٤٦٨"), QStringLiteral("1357"), session)));
    QCOMPARE(session.masterPIN(), QStringLiteral("1357"));
    QCOMPARE(store.profile()->masterPIN, QStringLiteral("1357")); // reloaded after the change

    // Monthly spend: both limits are allowed, one beyond them is refused before sending.
    QVERIFY(completed(store.saveMonthlySpend(0, session)));
    QVERIFY(completed(store.saveMonthlySpend(10'000'000, session)));
    QVERIFY(!completed(store.saveMonthlySpend(10'000'001, session)));
    QCOMPARE(session.monthlySpendDKK(), 10'000'000.0);
}

void AccountStoreTest::malformedRepliesKeepWhatWasThere_data() {
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QString>("shown");

    const QString unreadable =
        QStringLiteral("Dataene kunne ikke læses, fordi de ikke har det korrekte format.");
    QTest::newRow("500 without a body") << 500 << QByteArray() << QStringLiteral("Serverfejl");
    QTest::newRow("500 with an empty error")
        << 500 << QByteArray(R"({"error":""})")
        << QStringLiteral("Kunne ikke kontakte Molvena. Prøv igen om et øjeblik.");
    QTest::newRow("not JSON") << 200 << QByteArray("<html>Gateway</html>") << unreadable;
    QTest::newRow("required members missing")
        << 200 << QByteArray(R"({"success":true})")
        << QStringLiteral("Dataene kunne ikke læses, fordi de mangler.");
}

void AccountStoreTest::malformedRepliesKeepWhatWasThere() {
    QFETCH(int, status);
    QFETCH(QByteArray, body);
    QFETCH(QString, shown);

    ScriptedHttpServer peer;
    App app(peer.url(QStringLiteral("/api/")));
    const QString token = app.session.deviceToken();
    peer.enqueue({.body = R"({"success":true,"name":"Anna","email":"a@b.dk","master_pin":"2468",)"
                          R"("pairing_code":"482917","support_contacts":"Bo::1","monthly_spend_dkk":900})"});
    peer.enqueue({.body = R"({"success":true,"history":[{"id":"7","type":"blocked","title":"Blokeret",)"
                          R"("created_at":"2026-03-01 10:00:00"}]})"});
    peer.enqueue({.body = R"({"success":true,"relatives":[{"id":3,"email":"eva@x.dk","platform":null}]})"});
    completed(app.store.loadProfile(app.session));
    completed(app.store.loadHistory(token));
    completed(app.relatives.refreshConnections(token));
    QCOMPARE(app.store.lastError(), QString());
    const MacAccountProfile profile = *app.store.profile();
    const QList<MacHistoryItem> history = app.store.history();
    const QList<ConnectedRelative> relatives = app.relatives.relatives();
    QCOMPARE(relatives.size(), 1);

    peer.setDefaultReply({.status = status, .body = body});
    completed(app.store.loadProfile(app.session));
    QCOMPARE(app.store.lastError(), shown);
    QCOMPARE(*app.store.profile(), profile);
    QCOMPARE(app.session.monthlySpendDKK(), 900.0);
    app.store.clearMessages();
    completed(app.store.loadHistory(token));
    QCOMPARE(app.store.lastError(), shown);
    QCOMPARE(app.store.history(), history);
    QVERIFY(!app.store.isLoadingProfile() && !app.store.isLoadingHistory());
    completed(app.relatives.refreshConnections(token));
    QCOMPARE(app.relatives.relatives(), relatives);
    QVERIFY(app.relatives.didLoad());

    QCOMPARE(app.relatives.relativeList().first().toMap().value(QStringLiteral("platformLabel")), QString());

    // A refused change keeps the session; one whose reload fails keeps its success beside the error.
    peer.enqueue({.body = R"({"success":false})"});
    QVERIFY(
        !completed(app.store.changeMasterPIN(QStringLiteral("2468"), QStringLiteral("1357"), app.session)));
    QCOMPARE(app.store.lastError(), QStringLiteral("Handlingen kunne ikke gennemføres"));
    QCOMPARE(app.session.masterPIN(), QStringLiteral("2468"));
    peer.enqueue({.body = R"({"success":true})"});
    QVERIFY(
        completed(app.store.changeMasterPIN(QStringLiteral("2468"), QStringLiteral("1357"), app.session)));
    QCOMPARE(app.store.lastMessage(), QStringLiteral("Din Master PIN er opdateret."));
    QCOMPARE(app.store.lastError(), shown);
    QCOMPARE(app.session.masterPIN(), QStringLiteral("1357"));
    QVERIFY(!app.store.isSaving());
}

void AccountStoreTest::contactString_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("raw");
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QStringList>("phones");

    QTest::newRow("empty entries dropped") << "Anna::111|||Bo::222|" << QStringList{"Anna::111", "Bo::222"}
                                           << QStringList{"Anna", "Bo"} << QStringList{"111", "222"};
    QTest::newRow("no separator") << "Anna" << QStringList{"Anna"} << QStringList{"Anna"} << QStringList{""};
    QTest::newRow("name kept as written") << "  Anna ::  123 " << QStringList{"  Anna ::  123 "}
                                          << QStringList{"  Anna "} << QStringList{"123"};
}

void AccountStoreTest::contactString() {
    QFETCH(QString, text);
    QFETCH(QStringList, raw);
    QFETCH(QStringList, names);
    QFETCH(QStringList, phones);
    const QList<MacEmergencyContact> contacts = MacEmergencyContact::listFrom(text);
    QCOMPARE(contacts.size(), raw.size());
    for (qsizetype i = 0; i < contacts.size(); ++i) {
        QCOMPARE(contacts.at(i), (MacEmergencyContact{raw.at(i), names.at(i), phones.at(i)}));
    }
}

void AccountStoreTest::relativeLabels_data() {
    QTest::addColumn<QString>("email"); // null: the relative has none
    QTest::addColumn<QString>("label");
    const auto row = [](const char* name, const char* email, const char* label) {
        QTest::newRow(name) << (email ? QString::fromUtf8(email) : QString()) << QString::fromUtf8(label);
    };
    row("none", nullptr, "Tilknyttet støtteperson");
    row("8 characters", "abcdefgh@x.dk", "ab•••••@x.dk");
    row("2 characters", "ab@x.dk", "••@x.dk");
    // "é" written as e and a combining accent is one character to a reader.
    row("combined accent", "e\u0301va@x.dk", "e\u0301v•@x.dk");
    row("no at sign", "anna", "anna");
}

void AccountStoreTest::relativeLabels() {
    QFETCH(QString, email);
    const std::optional<QString> address = email.isNull() ? std::nullopt : std::optional(email);
    QTEST(PlayerConnectionStatusStore::displayLabel({.id = 1, .email = address}), "label");
}

void AccountStoreTest::historyTimestamps_data() {
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("shown");
    const auto row = [](const char* name, const char* locale, const char* text, const char* shown) {
        QTest::newRow(name) << QString::fromUtf8(locale) << QString::fromUtf8(text)
                            << QString::fromUtf8(shown);
    };
    row("danish date and time", "da_DK", "2026-03-01 14:05:09", "1. mar. 2026 14.05");
    row("american order and clock", "en_US", "2026-03-01 14:05:09", "Mar 1, 2026 2:05 PM");
    row("hour the clock skips at the spring change, as written", "da_DK", "2026-03-29 02:30:00",
        "29. mar. 2026 02.30");
    row("free text stays as received", "da_DK", "i går", "i går");
}

void AccountStoreTest::historyTimestamps() {
    QFETCH(QString, locale);
    QFETCH(QString, text);
    const QTimeZone copenhagen("Europe/Copenhagen");
    QVERIFY(copenhagen.isValid());
    QTEST(formatHistoryTimestamp(text, QLocale(locale), copenhagen), "shown");
}

QTEST_GUILESS_MAIN(AccountStoreTest)
#include "AccountStoreTest.moc"
