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
    void startsFromTheCachedCount_data();
    void startsFromTheCachedCount();
    void refreshTakesOnlyAPositiveWholeCount_data();
    void refreshTakesOnlyAPositiveWholeCount();
    void refreshOfAnUnreachableBackendChangesNothing();

private:
    QNetworkAccessManager m_network;
};

void DomainCountStoreTest::startsFromTheCachedCount_data() {
    QTest::addColumn<QVariant>("cached");
    QTest::addColumn<qint64>("count");
    QTest::addColumn<QString>("shown");
    QTest::newRow("nothing cached") << QVariant() << qint64(500000) << "500.000+";
    QTest::newRow("cached 0") << QVariant(0) << qint64(500000) << "500.000+";
    QTest::newRow("cached negative") << QVariant(-12) << qint64(500000) << "500.000+";
    QTest::newRow("cached 612345") << QVariant(612345) << qint64(612345) << "612.000+";
    QTest::newRow("cached 1234567") << QVariant(1234567) << qint64(1234567) << "1.234.000+";
    QTest::newRow("cached 999") << QVariant(999) << qint64(999) << "1.000+";
    QTest::newRow("cached 1000") << QVariant(1000) << qint64(1000) << "1.000+";
}

void DomainCountStoreTest::startsFromTheCachedCount() {
    QFETCH(QVariant, cached);
    TemporaryPreferences preferences;
    if (cached.isValid()) {
        preferences.store().setValue(DomainCountStore::cacheKey(), cached);
    }
    DomainCountStore store(preferences.store(), m_network, QUrl(QStringLiteral("http://127.0.0.1:9/api/")));
    QTEST(store.count(), "count");
    QTEST(store.formattedCount(), "shown");
}

void DomainCountStoreTest::refreshTakesOnlyAPositiveWholeCount_data() {
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<qint64>("count");
    QTest::addColumn<QString>("shown");
    // The store starts from a cached 700000 ("700.000+").
    QTest::newRow("612345") << 200 << QByteArray(R"({"count": 612345, "updated": "today"})") << qint64(612345)
                            << "612.000+";
    QTest::newRow("between 1 and 999") << 200 << QByteArray(R"({"count": 42})") << qint64(42) << "1.000+";
    QTest::newRow("count 0") << 200 << QByteArray(R"({"count": 0})") << qint64(700000) << "700.000+";
    QTest::newRow("negative count") << 200 << QByteArray(R"({"count": -5})") << qint64(700000) << "700.000+";
    QTest::newRow("count as text") << 200 << QByteArray(R"({"count": "612345"})") << qint64(700000)
                                   << "700.000+";
    QTest::newRow("count with a fraction")
        << 200 << QByteArray(R"({"count": 612345.5})") << qint64(700000) << "700.000+";
    QTest::newRow("no count member") << 200 << QByteArray(R"({"total": 612345})") << qint64(700000)
                                     << "700.000+";
    QTest::newRow("not JSON") << 200 << QByteArray("<html>") << qint64(700000) << "700.000+";
    QTest::newRow("status 500") << 500 << QByteArray(R"({"count": 612345})") << qint64(700000) << "700.000+";
}

void DomainCountStoreTest::refreshTakesOnlyAPositiveWholeCount() {
    QFETCH(int, status);
    QFETCH(QByteArray, body);
    QFETCH(qint64, count);
    ScriptedHttpServer backend;
    backend.setDefaultReply({.status = status, .body = body});
    TemporaryPreferences preferences;
    preferences.store().setValue(DomainCountStore::cacheKey(), 700000);
    DomainCountStore store(preferences.store(), m_network, backend.url(QStringLiteral("/api/")));
    QSignalSpy changes(&store, &DomainCountStore::countChanged);

    QCoro::waitFor(store.refresh());

    QCOMPARE(backend.requests().size(), 1);
    QCOMPARE(backend.requests().first().method, QByteArray("GET"));
    QCOMPARE(backend.requests().first().path, QStringLiteral("/api/count.php"));
    QCOMPARE(store.count(), count);
    QTEST(store.formattedCount(), "shown");
    QCOMPARE(changes.count(), count == 700000 ? 0 : 1);
    // The next start shows what this one learnt.
    QCOMPARE(preferences.reopen()->integer(DomainCountStore::cacheKey()), count);
    DomainCountStore nextStart(*preferences.reopen(), m_network, backend.url(QStringLiteral("/api/")));
    QCOMPARE(nextStart.count(), count);
}

void DomainCountStoreTest::refreshOfAnUnreachableBackendChangesNothing() {
    ScriptedHttpServer backend;
    const QUrl apiBase = backend.url(QStringLiteral("/api/"));
    backend.close();
    TemporaryPreferences preferences;
    DomainCountStore store(preferences.store(), m_network, apiBase);
    QCoro::waitFor(store.refresh());
    QCOMPARE(store.count(), qint64(500000));
    QVERIFY(!preferences.store().contains(DomainCountStore::cacheKey()));
}

QTEST_GUILESS_MAIN(DomainCountStoreTest)
#include "DomainCountStoreTest.moc"
