#include "linux/XdgAutostartLoginItem.h"
#include "linux/LinuxWorkspace.h"
#include "protection/LaunchAtLoginManager.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest/QtTest>

using namespace molvena;

namespace {

// A home with an installed copy of the program under usr/bin and one in a build folder.
class Home {
public:
    Home() {
        QDir(m_folder.path()).mkpath(QStringLiteral("usr/bin"));
        QDir(m_folder.path()).mkpath(QStringLiteral("src/molvena/build debug"));
        touch(installedProgram());
        touch(builtProgram());
    }
    QString path(const QString& relative) const { return m_folder.filePath(relative); }
    QString installedProgram() const { return path(QStringLiteral("usr/bin/molvena")); }
    QString builtProgram() const { return path(QStringLiteral("src/molvena/build debug/molvena")); }

    XdgAutostartLoginItem::Locations locations(const QString& program) const {
        return {.configHome = path(QStringLiteral("config")),
                .executablePath = program,
                .installedRoots = {path(QStringLiteral("usr")), path(QStringLiteral("opt"))}};
    }

    static void touch(const QString& file) {
        QFile f(file);
        QVERIFY(f.open(QIODevice::WriteOnly));
    }

private:
    QTemporaryDir m_folder;
};

QByteArray readFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeFile(const QString& path, const QByteArray& contents) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(contents);
}

} // namespace

class XdgAutostartLoginItemTest : public QObject {
    Q_OBJECT
private slots:
    void enableAndDisableThroughTheManager();
    void statusOfAnEntryLeftByOthers_data();
    void statusOfAnEntryLeftByOthers();
    void programInABuildFolderCannotBeRegistered();
    void execSurvivesUnusualPaths_data();
    void execSurvivesUnusualPaths();
};

void XdgAutostartLoginItemTest::enableAndDisableThroughTheManager() {
    Home home;
    XdgAutostartLoginItem loginItem(home.locations(home.installedProgram()));
    const QString entry = home.path(QStringLiteral("config/autostart/dk.molvena.mac.desktop"));
    QCOMPARE(loginItem.entryPath(), entry);
    LinuxWorkspace workspace;
    LaunchAtLoginManager manager(loginItem, workspace);

    manager.enable();
    QVERIFY(manager.isSatisfied());
    const QByteArray contents = readFile(entry);
    QVERIFY(contents.startsWith("[Desktop Entry]\n"));
    QVERIFY(contents.contains("\nType=Application\n"));
    QVERIFY(contents.contains("\nExec=\"" + home.installedProgram().toUtf8() + "\"\n"));
    // A new instance (the next start) reads the same state.
    QCOMPARE(XdgAutostartLoginItem(home.locations(home.installedProgram())).status(),
             int(LoginItemService::enabled));

    // The user switches it off in the desktop's startup settings: enabling does not override that.
    writeFile(entry, QByteArray(contents).replace("X-GNOME-Autostart-enabled=true",
                                                  "X-GNOME-Autostart-enabled=false"));
    manager.refresh();
    QVERIFY(manager.requiresApproval());
    const QByteArray switchedOff = readFile(entry);
    manager.enable();
    QCOMPARE(readFile(entry), switchedOff);
    QVERIFY(manager.requiresApproval());

    // Disabling removes the entry all the same; nothing left to remove is no failure.
    manager.disable();
    QVERIFY(!QFile::exists(entry));
    manager.disable();
    QCOMPARE(manager.statusText(), QStringLiteral("Ikke aktiveret"));
}

void XdgAutostartLoginItemTest::statusOfAnEntryLeftByOthers_data() {
    QTest::addColumn<QByteArray>("entry"); // %PROGRAM% stands for this program's path
    QTest::addColumn<int>("status");
    QTest::newRow("plain") << QByteArray("[Desktop Entry]\nType=Application\nExec=%PROGRAM%\n") << 1;
    QTest::newRow("quoted with arguments")
        << QByteArray("[Desktop Entry]\nExec=\"%PROGRAM%\" --background %U\n") << 1;
    QTest::newRow("Hidden=true") << QByteArray("[Desktop Entry]\nExec=%PROGRAM%\nHidden=true\n") << 2;
    QTest::newRow("GNOME switch off")
        << QByteArray("[Desktop Entry]\nExec=%PROGRAM%\nX-GNOME-Autostart-enabled=false\n") << 2;
    QTest::newRow("switched on again")
        << QByteArray("[Desktop Entry]\nExec=%PROGRAM%\nHidden=false\nX-GNOME-Autostart-enabled=true\n") << 1;
    QTest::newRow("Hidden in another group counts for nothing")
        << QByteArray(
               "[Desktop Entry]\nExec=%PROGRAM%\n\n[Desktop Action quit]\nHidden=true\nExec=/bin/false\n")
        << 1;
    QTest::newRow("starts another program") << QByteArray("[Desktop Entry]\nExec=/usr/bin/othertool\n") << 0;
    QTest::newRow("no Exec at all") << QByteArray("[Desktop Entry]\nType=Application\n") << 0;
}

void XdgAutostartLoginItemTest::statusOfAnEntryLeftByOthers() {
    QFETCH(QByteArray, entry);
    QFETCH(int, status);
    Home home;
    XdgAutostartLoginItem loginItem(home.locations(home.installedProgram()));
    writeFile(loginItem.entryPath(), entry.replace("%PROGRAM%", home.installedProgram().toUtf8()));
    QCOMPARE(loginItem.status(), status);
}

void XdgAutostartLoginItemTest::programInABuildFolderCannotBeRegistered() {
    Home home;
    XdgAutostartLoginItem loginItem(home.locations(home.builtProgram()));
    QVERIFY(!loginItem.runsFromInstalledLocation());
    LinuxWorkspace workspace;
    LaunchAtLoginManager manager(loginItem, workspace);
    manager.enable();
    QVERIFY(!QFile::exists(loginItem.entryPath()));
    QVERIFY(!manager.isEnabled() && !manager.isAvailable());
    QCOMPARE(manager.detailText(),
             QStringLiteral("Molvena kan kun starte automatisk, når programmet er installeret."));

    // A prefix of a root's name is not inside the root.
    XdgAutostartLoginItem::Locations lookalike =
        home.locations(home.path(QStringLiteral("usrlocal/molvena")));
    QVERIFY(!XdgAutostartLoginItem(lookalike).runsFromInstalledLocation());
}

void XdgAutostartLoginItemTest::execSurvivesUnusualPaths_data() {
    QTest::addColumn<QString>("folder");
    QTest::newRow("space") << "usr/lib/molvena app";
    QTest::newRow("quote, dollar, backquote, backslash") << "usr/lib/a\"b$c`d\\e";
    QTest::newRow("percent") << "usr/lib/100%";
    QTest::newRow("non-ASCII") << "usr/lib/Molvena-ærø";
}

void XdgAutostartLoginItemTest::execSurvivesUnusualPaths() {
    QFETCH(QString, folder);
    Home home;
    QVERIFY(QDir(home.path(QString())).mkpath(folder));
    const QString program = home.path(folder + QStringLiteral("/molvena"));
    Home::touch(program);
    XdgAutostartLoginItem loginItem(home.locations(program));
    QCOMPARE(XdgAutostartLoginItem::programOfExec(XdgAutostartLoginItem::execValue(program)), program);
    QVERIFY(!loginItem.registerApplication().has_value());
    QCOMPARE(loginItem.status(), int(LoginItemService::enabled));
}

QTEST_GUILESS_MAIN(XdgAutostartLoginItemTest)
#include "XdgAutostartLoginItemTest.moc"
