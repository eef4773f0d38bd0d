// Built twice: as this build has its development switches, and as a shipped build has them (off).
#include "app/Deployment.h"

#include <QtTest/QtTest>

using namespace molvena;

class DeploymentTest : public QObject {
    Q_OBJECT
private slots:
    void environmentOverridesOnlyWhatItNames();
};

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

    // Only a development build takes the environment: a canary that answers would silence the
    // protection check.
    qputenv("MOLVENA_CANARY_URL", "http://127.0.0.1:9/");
    const QUrl canary = Deployment::forThisBuild().canaryURL;
    // Nor does it hand the variable on to the copy of itself that starts at log-in.
    const QStringList carried = Deployment::carriedEnvironment();
#ifdef MOLVENA_ENVIRONMENT_DEPLOYMENT_ENABLED
    QCOMPARE(canary, QUrl("http://127.0.0.1:9/"));
    QVERIFY(carried.contains(QStringLiteral("MOLVENA_CANARY_URL=http://127.0.0.1:9/")));
#else
    QCOMPARE(canary, Deployment::production().canaryURL);
    QCOMPARE(carried, QStringList());
#endif
}

QTEST_GUILESS_MAIN(DeploymentTest)
#include "DeploymentTest.moc"
