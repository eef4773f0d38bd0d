#include "app/Deployment.h"
#include "app/DebugLog.h"

#include <QtTest/QtTest>

using namespace molvena;

class DeploymentTest : public QObject {
    Q_OBJECT
private slots:
    void productionValuesHaveTheEndpointPaths();
    void environmentOverridesOnlyWhatItNames();
    void shippedDebugLogNeverBuildsItsMessage();
};

void DeploymentTest::productionValuesHaveTheEndpointPaths() {
    const Deployment production = Deployment::production();
    QCOMPARE(production.apiBase.scheme(), QStringLiteral("https"));
    QCOMPARE(production.apiBase.path(), QStringLiteral("/api/"));
    QCOMPARE(production.blockProxy.scheme(), QStringLiteral("https"));
    QCOMPARE(production.blockProxy.path(), QStringLiteral("/shield_blocked"));
    QVERIFY(production.blockProxy.host() != production.apiBase.host());
    QCOMPARE(production.probeURLs.size(), 3);
    for (const QUrl& url : production.probeURLs) {
        QVERIFY2(url.isValid() && url.scheme() == QStringLiteral("https"), qPrintable(url.toString()));
    }
    QVERIFY(!production.resolverHostName.isEmpty());
}

void DeploymentTest::environmentOverridesOnlyWhatItNames() {
    QProcessEnvironment environment;
    environment.insert("MOLVENA_API_BASE", "http://127.0.0.1:8080/api/");
    environment.insert("MOLVENA_PROBE_URLS", "http://127.0.0.1:1/, http://127.0.0.1:2/,http://127.0.0.1:3/");
    const Deployment local = Deployment::fromEnvironment(environment);
    QCOMPARE(local.apiBase, QUrl("http://127.0.0.1:8080/api/"));
    QCOMPARE(local.probeURLs, (QList<QUrl>{QUrl("http://127.0.0.1:1/"), QUrl("http://127.0.0.1:2/"),
                                           QUrl("http://127.0.0.1:3/")}));
    QCOMPARE(local.blockProxy, Deployment::production().blockProxy);
    QCOMPARE(local.canaryURL, Deployment::production().canaryURL);
    QCOMPARE(local.resolverHostName, Deployment::production().resolverHostName);
}

void DeploymentTest::shippedDebugLogNeverBuildsItsMessage() {
    if (DebugLog::isEnabled) {
        QSKIP("this build has the debug log switched on");
    }
    int built = 0;
    debugLog("APP", [&] {
        ++built;
        return QStringLiteral("expensive");
    });
    QCOMPARE(built, 0);
}

QTEST_GUILESS_MAIN(DeploymentTest)
#include "DeploymentTest.moc"
