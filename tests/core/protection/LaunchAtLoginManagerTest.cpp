#include "protection/LaunchAtLoginManager.h"
#include "ProtectionTestSupport.h"

#include <QSignalSpy>
#include <QtTest/QtTest>

using namespace molvena;
using namespace molvena::test;

class LaunchAtLoginManagerTest : public QObject {
    Q_OBJECT
private slots:
    void constructionReflectsTheStatus_data();
    void constructionReflectsTheStatus();
    void enableAndDisable_data();
    void enableAndDisable();
    void notFoundInApplicationsMeansNeverRegistered_data();
    void notFoundInApplicationsMeansNeverRegistered();
    void placesToActOpenWhereTheUserActs();
};

void LaunchAtLoginManagerTest::constructionReflectsTheStatus_data() {
    QTest::addColumn<int>("status");
    QTest::addColumn<bool>("enabled");
    QTest::addColumn<bool>("requiresApproval");
    QTest::addColumn<bool>("available");
    QTest::addColumn<QString>("statusText");
    QTest::addColumn<QString>("detailText");
    // Statuses 0 to 2 are the outcomes of enableAndDisable's rows.
    QTest::newRow("3 not found") << 3 << false << false << false << "Kræver installation i Programmer"
                                 << "Flyt Molvena.app til /Applications, åbn den derfra og prøv igen.";
    QTest::newRow("4 unreadable") << 4 << false << false << false << "Kunne ikke læse status"
                                  << "Prøv at genstarte Molvena.";
}

void LaunchAtLoginManagerTest::constructionReflectsTheStatus() {
    QFETCH(int, status);
    ScriptedLoginItemService loginItems(status);
    RecordingWorkspace workspace;
    LaunchAtLoginManager manager(loginItems, workspace);
    QTEST(manager.isEnabled(), "enabled");
    QTEST(manager.isSatisfied(), "enabled");
    QTEST(manager.requiresApproval(), "requiresApproval");
    QTEST(manager.isAvailable(), "available");
    QTEST(manager.statusText(), "statusText");
    QTEST(manager.detailText(), "detailText");
    QCOMPARE(manager.debugBypassActive(), false);
}

void LaunchAtLoginManagerTest::enableAndDisable_data() {
    QTest::addColumn<int>("statusBefore");
    QTest::addColumn<bool>("enable"); // else disable
    QTest::addColumn<int>("statusAfterRegister");
    QTest::addColumn<int>("errorCode"); // 0: no error
    QTest::addColumn<bool>("enabled");
    QTest::addColumn<bool>("requiresApproval");
    QTest::addColumn<QString>("statusText");
    QTest::addColumn<QString>("detailText");
    QTest::newRow("enable") << 0 << true << 1 << 0 << true << false << "Aktiveret"
                            << "Molvena starter automatisk ved login.";
    QTest::newRow("enable needs approval")
        << 0 << true << 2 << 0 << false << true << "Afventer din godkendelse"
        << "Godkend Molvena under Login-emner i Systemindstillinger.";
    QTest::newRow("refused with code 1 keeps the status texts")
        << 2 << true << 2 << 1 << false << true << "Afventer din godkendelse"
        << "Godkend Molvena under Login-emner i Systemindstillinger.";
    QTest::newRow("refused otherwise shows the error")
        << 0 << true << 1 << 22 << false << false << "Kunne ikke aktivere"
        << "Programmet er ikke signeret.";
    QTest::newRow("disable") << 1 << false << 1 << 0 << false << false << "Ikke aktiveret"
                             << "Aktivér dette trin, så beskyttelsen kommer tilbage efter genstart.";
    QTest::newRow("disable refused") << 1 << false << 1 << 22 << true << false << "Kunne ikke deaktivere"
                                     << "Programmet er ikke signeret.";
}

void LaunchAtLoginManagerTest::enableAndDisable() {
    QFETCH(int, statusBefore);
    QFETCH(bool, enable);
    QFETCH(int, statusAfterRegister);
    QFETCH(int, errorCode);
    ScriptedLoginItemService loginItems(statusBefore);
    loginItems.statusAfterRegister = statusAfterRegister;
    if (errorCode != 0) {
        const LoginItemError error{errorCode, QStringLiteral("Programmet er ikke signeret.")};
        (enable ? loginItems.registerError : loginItems.unregisterError) = error;
    }
    RecordingWorkspace workspace;
    LaunchAtLoginManager manager(loginItems, workspace);
    QSignalSpy satisfied(&manager, &LaunchAtLoginManager::isSatisfiedChanged);

    enable ? manager.enable() : manager.disable();

    QTEST(manager.isEnabled(), "enabled");
    QTEST(manager.requiresApproval(), "requiresApproval");
    QTEST(manager.statusText(), "statusText");
    QTEST(manager.detailText(), "detailText");
    QCOMPARE(satisfied.count(), (statusBefore == 1) != manager.isEnabled() ? 1 : 0);

    // Failure texts stay only until the next refresh.
    manager.refresh();
    QVERIFY(!manager.statusText().startsWith(QLatin1String("Kunne ikke")));
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
    QTest::newRow("elsewhere") << false << 0 << "Kræver installation i Programmer"
                               << "Aktiveret";
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

void LaunchAtLoginManagerTest::placesToActOpenWhereTheUserActs() {
    ScriptedLoginItemService loginItems;
    RecordingWorkspace workspace;
    LaunchAtLoginManager manager(loginItems, workspace);
    manager.openLoginItemsSettings();
    manager.openApplicationsFolder();
    QCOMPARE(loginItems.settingsOpened, 1);
    QCOMPARE(workspace.openedFolders, QStringList{QStringLiteral("/Applications")});
}

QTEST_GUILESS_MAIN(LaunchAtLoginManagerTest)
#include "LaunchAtLoginManagerTest.moc"
