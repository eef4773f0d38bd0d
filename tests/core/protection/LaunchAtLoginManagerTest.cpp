#include "protection/LaunchAtLoginManager.h"
#include "ProtectionTestSupport.h"

#include <QSignalSpy>
#include <QtTest/QtTest>

using namespace molvena;
using namespace molvena::test;

class LaunchAtLoginManagerTest : public QObject {
    Q_OBJECT
private slots:
    void enableAndDisable_data();
    void enableAndDisable();
    void notFoundInApplicationsMeansNeverRegistered_data();
    void notFoundInApplicationsMeansNeverRegistered();
};

void LaunchAtLoginManagerTest::enableAndDisable_data() {
    QTest::addColumn<int>("statusBefore");
    QTest::addColumn<QString>("action"); // "enable", "disable", or none: as constructed
    QTest::addColumn<int>("statusAfterRegister");
    QTest::addColumn<int>("errorCode"); // 0: no error
    QTest::addColumn<bool>("enabled");
    QTest::addColumn<bool>("requiresApproval");
    QTest::addColumn<bool>("available");
    QTest::addColumn<QString>("statusText");
    QTest::addColumn<QString>("detailText");
    QTest::newRow("3 not found") << 3 << "" << 1 << 0 << false << false << false
                                 << "Kræver installation i Programmer"
                                 << "Flyt Molvena.app til /Applications, åbn den derfra og prøv igen.";
    QTest::newRow("enable") << 0 << "enable" << 1 << 0 << true << false << true << "Aktiveret"
                            << "Molvena starter automatisk ved login.";
    QTest::newRow("enable needs approval")
        << 0 << "enable" << 2 << 0 << false << true << true << "Afventer din godkendelse"
        << "Godkend Molvena under Login-emner i Systemindstillinger.";
    QTest::newRow("refused with code 1 keeps the status texts")
        << 2 << "enable" << 2 << 1 << false << true << true << "Afventer din godkendelse"
        << "Godkend Molvena under Login-emner i Systemindstillinger.";
    QTest::newRow("refused otherwise shows the error")
        << 0 << "enable" << 1 << 22 << false << false << true << "Kunne ikke aktivere"
        << "Programmet er ikke signeret.";
    QTest::newRow("disable") << 1 << "disable" << 1 << 0 << false << false << true << "Ikke aktiveret"
                             << "Aktivér dette trin, så beskyttelsen kommer tilbage efter genstart.";
}

void LaunchAtLoginManagerTest::enableAndDisable() {
    QFETCH(int, statusBefore);
    QFETCH(QString, action);
    QFETCH(int, statusAfterRegister);
    QFETCH(int, errorCode);
    ScriptedLoginItemService loginItems(statusBefore);
    loginItems.statusAfterRegister = statusAfterRegister;
    if (errorCode != 0) {
        loginItems.registerError = LoginItemError{errorCode, QStringLiteral("Programmet er ikke signeret.")};
    }
    RecordingWorkspace workspace;
    LaunchAtLoginManager manager(loginItems, workspace);
    QSignalSpy satisfied(&manager, &LaunchAtLoginManager::isSatisfiedChanged);

    if (action == QLatin1String("enable")) {
        manager.enable();
    } else if (action == QLatin1String("disable")) {
        manager.disable();
    }

    QTEST(manager.isEnabled(), "enabled");
    QTEST(manager.isSatisfied(), "enabled");
    QTEST(manager.requiresApproval(), "requiresApproval");
    QTEST(manager.isAvailable(), "available");
    QTEST(manager.statusText(), "statusText");
    QTEST(manager.detailText(), "detailText");
    QCOMPARE(satisfied.count(), (statusBefore == 1) != manager.isEnabled() ? 1 : 0);

    // Failure texts stay only until the next refresh.
    manager.refresh();
    QCOMPARE(manager.statusText(), LaunchAtLoginManager(loginItems, workspace).statusText());
}

void LaunchAtLoginManagerTest::notFoundInApplicationsMeansNeverRegistered_data() {
    QTest::addColumn<bool>("installed");
    QTest::addColumn<int>("registerErrorCode"); // 0: registers
    QTest::addColumn<QString>("before");
    QTest::addColumn<QString>("after"); // after enable() and a refresh
    QTest::newRow("in /Applications, registers") << true << 0 << "Ikke aktiveret"
                                                 << "Aktiveret";
    QTest::newRow("in /Applications, refused") << true << 22 << "Ikke aktiveret"
                                               << "Kræver installation i Programmer";
}

void LaunchAtLoginManagerTest::notFoundInApplicationsMeansNeverRegistered() {
    QFETCH(bool, installed);
    QFETCH(int, registerErrorCode);
    ScriptedLoginItemService loginItems(LoginItemService::notFound);
    loginItems.installed = installed;
    if (registerErrorCode != 0) {
        loginItems.registerError = LoginItemError{registerErrorCode, QStringLiteral("Ukendt fejl.")};
    }
    RecordingWorkspace workspace;
    LaunchAtLoginManager manager(loginItems, workspace);
    QTEST(manager.statusText(), "before");
    QCOMPARE(manager.isAvailable(), manager.statusText() == QLatin1String("Ikke aktiveret"));

    manager.enable();
    manager.refresh();
    QTEST(manager.statusText(), "after");
}

QTEST_GUILESS_MAIN(LaunchAtLoginManagerTest)
#include "LaunchAtLoginManagerTest.moc"
