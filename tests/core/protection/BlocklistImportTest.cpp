// The operator's blocklist formats, read into the domains the resolver blocks.

#include "BlocklistImport.h"

#include <QtTest/QtTest>

using molvena::server::BlocklistImport;

class BlocklistImportTest : public QObject {
    Q_OBJECT
private slots:
    void readsEveryFormatAndReportsTheRest_data();
    void readsEveryFormatAndReportsTheRest();
};

void BlocklistImportTest::readsEveryFormatAndReportsTheRest_data() {
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<QStringList>("domains");
    QTest::addColumn<QString>("rejection"); // empty: nothing rejected
    const auto row = [](const char* name, const char* line, QStringList domains, const char* rejection = "") {
        QTest::newRow(name) << QByteArray(line) << domains << QString::fromUtf8(rejection);
    };
    row("plain, normalised", " Bet365.DK. ", {QStringLiteral("bet365.dk")});
    row("hosts file, two names, comment", "0.0.0.0 unibet.dk www.unibet.dk # sports",
        {QStringLiteral("unibet.dk"), QStringLiteral("www.unibet.dk")});
    row("ad-block rule", "||danskespil.dk^", {QStringLiteral("danskespil.dk")});
    row("wildcard", "*.slots.dk", {QStringLiteral("slots.dk")});
    row("international name", "spillehal-æøå.dk", {QStringLiteral("xn--spillehal--b6al8u.dk")});
    row("comments and blanks", "# list\n! adblock\n\n", {});
    row("duplicate", "a.dk\nA.dk\n0.0.0.0 a.dk", {QStringLiteral("a.dk")});
    row("the machine itself", "127.0.0.1 localhost", {}, "a name of the machine itself");
    row("address", "10.0.0.1", {}, "an IP address, not a domain");
    row("rule with options", "||ads.dk^$third-party", {},
        "only whole-domain rules (||domain^) can be blocked by name");
    row("exception", "@@||ok.dk^", {}, "an exception rule; nothing is allowed through here");
    row("single label", "casino", {}, "a single label, not a domain");
    row("bad characters", "bad_name.dk", {}, "not a valid domain name");
    row("sentence", "not a domain", {}, "more than one word, and not a hosts-file line");
}

void BlocklistImportTest::readsEveryFormatAndReportsTheRest() {
    QFETCH(QByteArray, line);
    QFETCH(QStringList, domains);
    QFETCH(QString, rejection);
    const BlocklistImport imported = BlocklistImport::parse(line);
    QCOMPARE(imported.domains, domains);
    QCOMPARE(imported.rejected.isEmpty(), rejection.isEmpty());
    if (!rejection.isEmpty()) {
        QCOMPARE(imported.rejected.first().reason, rejection);
        QCOMPARE(imported.rejected.first().line, 1);
        QVERIFY(imported.report().contains(QStringLiteral("line 1: ")));
    }
}

QTEST_APPLESS_MAIN(BlocklistImportTest)
#include "BlocklistImportTest.moc"
