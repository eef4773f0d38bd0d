#include "account/HistoryTimestamp.h"

#include <QtTest/QtTest>

using namespace molvena;

class HistoryTimestampTest : public QObject {
    Q_OBJECT
private slots:
    void formatsInTheUsersLocale_data();
    void formatsInTheUsersLocale();
};

void HistoryTimestampTest::formatsInTheUsersLocale_data() {
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("shown");
    const QString danish = QStringLiteral("da_DK");
    QTest::newRow("danish date and time")
        << danish << QStringLiteral("2026-03-01 14:05:09") << QStringLiteral("1. mar. 2026 14.05");
    QTest::newRow("american order and clock")
        << QStringLiteral("en_US") << QStringLiteral("2026-03-01 14:05:09")
        << QStringLiteral("Mar 1, 2026 2:05 PM");
    QTest::newRow("hour the clock skips at the spring change, as written")
        << danish << QStringLiteral("2026-03-29 02:30:00") << QStringLiteral("29. mar. 2026 02.30");
    QTest::newRow("a day the calendar lacks stays as received")
        << danish << QStringLiteral("2026-02-30 10:00:00") << QStringLiteral("2026-02-30 10:00:00");
    QTest::newRow("free text stays as received")
        << danish << QStringLiteral("i går") << QStringLiteral("i går");
}

void HistoryTimestampTest::formatsInTheUsersLocale() {
    QFETCH(QString, locale);
    QFETCH(QString, text);
    QFETCH(QString, shown);
    const QTimeZone copenhagen("Europe/Copenhagen");
    QVERIFY(copenhagen.isValid());
    QCOMPARE(formatHistoryTimestamp(text, QLocale(locale), copenhagen), shown);
}

QTEST_GUILESS_MAIN(HistoryTimestampTest)
#include "HistoryTimestampTest.moc"
