#include "PlayerDashboardViewModel.h"
#include "design/SymbolIcon.h"

#include <QTimeZone>
#include <QtTest/QtTest>

using namespace molvena;

// The dashboard's own rules: days counted in local calendar days and the milestone lines; and the symbols the
// screens draw, every one shipped.
class PlayerDashboardViewModelTest : public QObject {
    Q_OBJECT
private slots:
    void daysAndMilestones_data();
    void daysAndMilestones();
    void everySymbolTheScreensNameLoads();
};

void PlayerDashboardViewModelTest::daysAndMilestones_data() {
    QTest::addColumn<QDateTime>("lastGambling");
    QTest::addColumn<QDateTime>("now");
    QTest::addColumn<int>("days");
    QTest::addColumn<QString>("lineStart");
    // A zone with daylight saving, so a day of 23 or 25 hours still counts as one.
    const QTimeZone copenhagen("Europe/Copenhagen");
    const auto at = [&](int year, int month, int day, int hour, int minute) {
        return QDateTime(QDate(year, month, day), QTime(hour, minute), copenhagen);
    };
    QTest::newRow("never") << QDateTime() << at(2026, 5, 1, 12, 0) << 0 << "I dag starter";
    QTest::newRow("yesterday 23:59 at 00:01")
        << at(2026, 5, 1, 23, 59) << at(2026, 5, 2, 0, 1) << 1 << "Én dag ad gangen";
    QTest::newRow("earlier today") << at(2026, 5, 2, 0, 0) << at(2026, 5, 2, 23, 59) << 0 << "I dag starter";
    QTest::newRow("future") << at(2026, 5, 9, 10, 0) << at(2026, 5, 2, 10, 0) << 0 << "I dag starter";
    QTest::newRow("13 days over spring forward")
        << at(2026, 3, 20, 22, 0) << at(2026, 4, 2, 0, 30) << 13 << "Én dag ad gangen";
    QTest::newRow("14 days") << at(2026, 3, 19, 23, 30) << at(2026, 4, 2, 0, 30) << 14 << "Du har skabt";
}

void PlayerDashboardViewModelTest::daysAndMilestones() {
    QFETCH(QDateTime, lastGambling);
    QFETCH(QDateTime, now);
    QFETCH(int, days);
    QFETCH(QString, lineStart);
    const double stored = lastGambling.isValid() ? double(lastGambling.toSecsSinceEpoch()) : 0.0;
    QCOMPARE(PlayerDashboardViewModel::gamblingFreeDays(stored, now), days);
    QVERIFY(PlayerDashboardViewModel::milestoneText(days).startsWith(lineStart));
}

void PlayerDashboardViewModelTest::everySymbolTheScreensNameLoads() {
    QVERIFY(SymbolIcon::names().size() >= 57);
    for (const QString& name : SymbolIcon::names()) {
        SymbolIcon icon;
        icon.setName(name);
        QVERIFY2(icon.known(), qPrintable(name));
    }
}

QTEST_MAIN(PlayerDashboardViewModelTest)
#include "PlayerDashboardViewModelTest.moc"
