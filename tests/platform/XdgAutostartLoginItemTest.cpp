#include "linux/XdgAutostartLoginItem.h"
#include "ProtectionTestSupport.h"
#include "linux/LinuxDesktopSettings.h"
#include "linux/LinuxWorkspace.h"
#include "linux/XdgOpen.h"
#include "protection/LaunchAtLoginManager.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest/QtTest>

using namespace molvena;
using namespace molvena::test;

namespace {

// A home with an installed copy of the program under usr/bin.
class Home {
public:
    Home() { writeFile(installedProgram(), {}); }
    QString path(const QString& relative) const { return m_folder.filePath(relative); }
    QString installedProgram() const { return path(QStringLiteral("usr/bin/molvena")); }
    // A shell script at `relative` that may be run.
    QString program(const QString& relative, const QByteArray& script) const {
        writeFile(path(relative), "#!/bin/sh\n" + script);
        QFile::setPermissions(path(relative), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        return path(relative);
    }

    XdgAutostartLoginItem::Locations locations(const QString& program) const {
        return {.configHome = path(QStringLiteral("config")),
                .executablePath = program,
                .installedRoots = {path(QStringLiteral("usr")), path(QStringLiteral("opt"))},
                .environment = {}};
    }

private:
    QTemporaryDir m_folder;
};

} // namespace

class XdgAutostartLoginItemTest : public QObject {
    Q_OBJECT
private slots:
    void enableAndDisableThroughTheManager();
    void statusOfAnEntryLeftByOthers_data();
    void statusOfAnEntryLeftByOthers();
    void entryStartsTheProgramWithItsDeployment_data();
    void entryStartsTheProgramWithItsDeployment();
    void installButtonOpensWhatHelps();
    void desktopSettingsOpenWhereTheDesktopHasThem_data();
    void desktopSettingsOpenWhereTheDesktopHasThem();
    void openingSaysWhetherAHandlerOpened_data();
    void openingSaysWhetherAHandlerOpened();
};

void XdgAutostartLoginItemTest::enableAndDisableThroughTheManager() {
    Home home;
    XdgAutostartLoginItem loginItem(home.locations(home.installedProgram()));
    LinuxWorkspace workspace;
    LaunchAtLoginManager manager(loginItem, workspace);

    // What the entry's command starts is entryStartsTheProgramWithItsDeployment's.
    manager.enable();
    QVERIFY(manager.isSatisfied());
    const QByteArray contents = readFile(loginItem.entryPath());
    QVERIFY(contents.startsWith("[Desktop Entry]\n") && contents.contains("\nType=Application\n"));

    // The user switches it off in the desktop's startup settings: enabling does not override that.
    writeFile(loginItem.entryPath(), QByteArray(contents).replace("X-GNOME-Autostart-enabled=true",
                                                                  "X-GNOME-Autostart-enabled=false"));
    manager.refresh();
    QVERIFY(manager.requiresApproval());
    const QByteArray switchedOff = readFile(loginItem.entryPath());
    manager.enable();
    QCOMPARE(readFile(loginItem.entryPath()), switchedOff);
    QVERIFY(manager.requiresApproval());
    // Without a desktop to open its settings, the app says what to do instead of doing nothing.
    QVERIFY(!manager.openLoginItemsSettings());
    QCOMPARE(manager.actionHelpText(), manager.texts().settingsFallback);

    // Disabling removes the entry all the same; nothing left to remove is no failure.
    manager.disable();
    manager.disable();
    QVERIFY(!QFile::exists(loginItem.entryPath()));
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
    QTest::newRow("starts another program") << QByteArray("[Desktop Entry]\nExec=/usr/bin/othertool\n") << 0;
}

void XdgAutostartLoginItemTest::statusOfAnEntryLeftByOthers() {
    QFETCH(QByteArray, entry);
    QFETCH(int, status);
    Home home;
    XdgAutostartLoginItem loginItem(home.locations(home.installedProgram()));
    writeFile(loginItem.entryPath(), entry.replace("%PROGRAM%", home.installedProgram().toUtf8()));
    QCOMPARE(loginItem.status(), status);
}

void XdgAutostartLoginItemTest::entryStartsTheProgramWithItsDeployment_data() {
    QTest::addColumn<QString>("folder");          // the installed program's, under the home
    QTest::addColumn<QStringList>("environment"); // what the build carries (none when shipped)
    const QStringList development = {QStringLiteral("MOLVENA_API_BASE=http://127.0.0.1:4321/api/"),
                                     QStringLiteral("MOLVENA_PROBE_URLS=http://a.test/,http://b.test/%20x")};
    QTest::newRow("installed development build, space, percent") << "usr/lib/molvena app 100%" << development;
    QTest::newRow("installed shipped build, quote, dollar, backquote, backslash, non-ASCII")
        << "usr/lib/a\"b$c`d\\e-ærø" << QStringList();
}

void XdgAutostartLoginItemTest::entryStartsTheProgramWithItsDeployment() {
    QFETCH(QString, folder);
    QFETCH(QStringList, environment);
    Home home;
    // The program prints the deployment it was started with, as the app would use it.
    const QString program =
        home.program(folder + QStringLiteral("/molvena"), "env | grep ^MOLVENA_ | sort\n");
    XdgAutostartLoginItem::Locations locations = home.locations(program);
    locations.environment = environment;
    XdgAutostartLoginItem loginItem(locations);

    QVERIFY(!loginItem.registerApplication().has_value());
    QCOMPARE(loginItem.status(), int(LoginItemService::enabled));
    const QString exec =
        QRegularExpression(QStringLiteral("^Exec=(.*)$"), QRegularExpression::MultilineOption)
            .match(QString::fromUtf8(readFile(loginItem.entryPath())))
            .captured(1);
    QCOMPARE(XdgAutostartLoginItem::programOfExec(exec), program);
    // Started as the desktop starts it at log-in: from the entry alone, nothing inherited.
    const QStringList command = XdgAutostartLoginItem::argumentsOfExec(exec);
    QProcess started;
    QProcessEnvironment nothingInherited;
    nothingInherited.insert(QStringLiteral("PATH"), QStringLiteral("/usr/bin:/bin"));
    started.setProcessEnvironment(nothingInherited);
    started.start(
        QStandardPaths::findExecutable(command.first(), {QStringLiteral("/usr/bin"), QStringLiteral("/bin")}),
        command.mid(1));
    QVERIFY(started.waitForFinished(5000));
    const QString expected = environment.isEmpty() ? QString() : environment.join(QLatin1Char('\n')) + u'\n';
    QCOMPARE(QString::fromUtf8(started.readAllStandardOutput()), expected);
}

namespace {
// A desktop that opens only what exists, as a file browser does.
class ExistingPlacesWorkspace : public RecordingWorkspace {
public:
    bool openFolder(const QString& path) override {
        return QFileInfo(path).isDir() && RecordingWorkspace::openFolder(path);
    }
};
} // namespace

// A program outside the installed roots cannot start at log-in: the install button helps instead, in
// words until the packages are built, then by opening their folder.
void XdgAutostartLoginItemTest::installButtonOpensWhatHelps() {
    Home home;
    const QString packages = home.path(QStringLiteral("src/molvena/build debug/packages"));
    // A prefix of a root's name is not inside the root.
    XdgAutostartLoginItem loginItem(home.locations(home.path(QStringLiteral("usrlocal/molvena"))));
    QVERIFY(!loginItem.runsFromInstalledLocation());
    ExistingPlacesWorkspace workspace;
    LaunchAtLoginManager manager(
        loginItem, workspace, LoginItemTexts::linuxDesktop(packages, home.path(QStringLiteral("README.md"))));
    QCOMPARE(manager.statusText(), QStringLiteral("Kræver installation"));
    manager.enable();
    QVERIFY(!QFile::exists(loginItem.entryPath()));
    QVERIFY(!manager.isEnabled() && !manager.isAvailable());
    QCOMPARE(manager.detailText(),
             QStringLiteral("Molvena kan kun starte automatisk, når programmet er installeret."));

    QVERIFY(!manager.openApplicationsFolder());
    QVERIFY(manager.actionHelpText().contains(QLatin1String("sudo apt install")));
    QVERIFY(QDir().mkpath(packages));
    QVERIFY(manager.openApplicationsFolder());
    QCOMPARE(workspace.openedFolders, QStringList{packages});
    QVERIFY(manager.actionHelpText().isEmpty());
}

void XdgAutostartLoginItemTest::desktopSettingsOpenWhereTheDesktopHasThem_data() {
    QTest::addColumn<QString>("desktop");
    QTest::addColumn<QStringList>("installed");
    QTest::addColumn<int>("page");
    QTest::addColumn<QStringList>("command"); // program's name, then its arguments
    const int network = int(LinuxDesktopSettings::Page::network);
    const int loginItems = int(LinuxDesktopSettings::Page::loginItems);
    const QStringList everything = {"gnome-control-center", "systemsettings",           "kcmshell5",
                                    "nm-connection-editor", "gnome-session-properties", "gnome-tweaks"};
    QTest::newRow("GNOME network") << "ubuntu:GNOME" << everything << network
                                   << QStringList{"gnome-control-center", "network"};
    QTest::newRow("KDE network") << "KDE" << everything << network
                                 << QStringList{"systemsettings", "kcm_networkmanagement"};
    QTest::newRow("XFCE: NetworkManager's editor")
        << "XFCE" << everything << network << QStringList{"nm-connection-editor"};
    QTest::newRow("KDE autostart") << "KDE" << everything << loginItems
                                   << QStringList{"systemsettings", "kcm_autostart"};
    QTest::newRow("GNOME startup programs")
        << "GNOME" << QStringList{"gnome-tweaks"} << loginItems << QStringList{"gnome-tweaks"};
    QTest::newRow("nothing installed") << "GNOME" << QStringList() << network << QStringList();
}

void XdgAutostartLoginItemTest::desktopSettingsOpenWhereTheDesktopHasThem() {
    QFETCH(QString, desktop);
    QFETCH(QStringList, installed);
    QFETCH(int, page);
    QFETCH(QStringList, command);
    Home home;
    // Each program records how it was started.
    const QString bin = home.path(QStringLiteral("bin"));
    const QString started = home.path(QStringLiteral("started"));
    for (const QString& program : installed) {
        home.program(QStringLiteral("bin/") + program,
                     QStringLiteral("echo \"$(basename \"$0\")${*:+ $*}\" > '%1'\n").arg(started).toUtf8());
    }
    const LinuxDesktopSettings settings({.desktops = desktop, .path = {bin}});
    // What it found shows in what the program it started recorded.
    QCOMPARE(settings.open(LinuxDesktopSettings::Page(page)), !command.isEmpty());
    if (!command.isEmpty()) {
        QTRY_COMPARE(readFile(started), command.join(QLatin1Char(' ')).toUtf8() + "\n");
    }
}

void XdgAutostartLoginItemTest::openingSaysWhetherAHandlerOpened_data() {
    QTest::addColumn<QByteArray>("handler"); // what xdg-open does after noting what it was asked
    QTest::addColumn<bool>("opened");
    QTest::newRow("handed to the desktop") << QByteArray("exit 0") << true;
    QTest::newRow("no handler for folders") << QByteArray("exit 3") << false;
    QTest::newRow("handler kept in the foreground") << QByteArray("exec sleep 30") << true;
}

// A button that opens nothing must say what to do instead, so the app needs xdg-open's verdict.
void XdgAutostartLoginItemTest::openingSaysWhetherAHandlerOpened() {
    QFETCH(QByteArray, handler);
    QFETCH(bool, opened);
    Home home;
    const QString asked = home.path(QStringLiteral("asked"));
    home.program(QStringLiteral("bin/xdg-open"), "echo \"$1\" > '" + asked.toUtf8() + "'\n" + handler + "\n");
    QCOMPARE(XdgOpen({home.path(QStringLiteral("bin"))})
                 .open(QUrl::fromLocalFile(home.path(QStringLiteral("usr")))),
             opened);
    QCOMPARE(readFile(asked), home.path(QStringLiteral("usr")).toUtf8() + "\n");
}

QTEST_GUILESS_MAIN(XdgAutostartLoginItemTest)
#include "XdgAutostartLoginItemTest.moc"
