#include "protection/DomainCountStore.h"
#include "ScriptedHttpServer.h"
#include "TestSupport.h"

#include <QNetworkAccessManager>
#include <QSignalSpy>
#include <QtTest/QtTest>

#include <qcoro/qcorotask.h>

using namespace molvena;
using namespace molvena::test;

class DomainCountStoreTest : public QObject {
    Q_OBJECT
private slots:
    void refreshTakesOnlyAPositiveWholeCount_data();
    void refreshTakesOnlyAPositiveWholeCount();
};

void DomainCountStoreTest::refreshTakesOnlyAPositiveWholeCount_data() {
    QTest::addColumn<QVariant>("cached");
    QTest::addColumn<int>("status"); // 0: nothing listens
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<qint64>("count");
    QTest::addColumn<QString>("shown");
    QTest::newRow("nothing cached, unreachable")
        << QVariant() << 0 << QByteArray() << qint64(500000) << "500.000+";
    QTest::newRow("cached 1234567, status 500")
        << QVariant(1234567) << 500 << QByteArray(R"({"count": 612345})") << qint64(1234567) << "1.234.000+";
    QTest::newRow("612345") << QVariant(700000) << 200
                            << QByteArray(R"({"count": 612345, "updated": "today"})") << qint64(612345)
                            << "612.000+";
    QTest::newRow("count 0") << QVariant(700000) << 200 << QByteArray(R"({"count": 0})") << qint64(700000)
                             << "700.000+";
}

void DomainCountStoreTest::refreshTakesOnlyAPositiveWholeCount() {
    QFETCH(QVariant, cached);
    QFETCH(int, status);
    QFETCH(QByteArray, body);
    QFETCH(qint64, count);
    ScriptedHttpServer backend;
    backend.setDefaultReply({.status = status, .body = body});
    if (status == 0) {
        backend.close();
    }
    TemporaryPreferences preferences;
    QNetworkAccessManager network;
    if (cached.isValid()) {
        preferences.store().setValue(DomainCountStore::cacheKey(), cached);
    }
    DomainCountStore store(preferences.store(), network, backend.url(QStringLiteral("/api/")));
    const qint64 before = store.count();
    QSignalSpy changes(&store, &DomainCountStore::countChanged);

    QCoro::waitFor(store.refresh());

    QCOMPARE(backend.requests().size(), status == 0 ? 0 : 1);
    QCOMPARE(store.count(), count);
    QTEST(store.formattedCount(), "shown");
    QCOMPARE(changes.count(), count == before ? 0 : 1);
    // The next start shows what this one learnt.
    DomainCountStore nextStart(*preferences.reopen(), network, backend.url(QStringLiteral("/api/")));
    QCOMPARE(nextStart.count(), count);
}

QTEST_GUILESS_MAIN(DomainCountStoreTest)
#include "DomainCountStoreTest.moc"
