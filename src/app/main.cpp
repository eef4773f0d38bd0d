#include "DevelopmentDriver.h"
#include "MolvenaMacApp.h"
#include "WindowCloseBehaviour.h"

#include <QDateTime>
#include <QLibraryInfo>
#include <QLocale>
#include <QQuickWindow>
#include <QSettings>
#include <QTimer>
#include <QTranslator>

#include <cstdio>

#ifdef Q_OS_MACOS
#include <QGuiApplication>
using Application = QGuiApplication;
#else
#include <QApplication>
using Application = QApplication; // the system tray icon and its menu are widgets
#endif

namespace {

// The user's preference store. macOS keeps an app's preferences under its bundle identifier, and
// Qt names the domain from an organisation and an application: "molvena.dk" and "mac" make
// "dk.molvena.mac" (Qt keeps an organisation ending in a country code as it is, then reverses it).
std::unique_ptr<QSettings> preferenceSettings([[maybe_unused]] const molvena::DeviceInfo& device) {
#ifdef Q_OS_MACOS
    if (const std::optional<QString> identifier = device.bundleIdentifier()) {
        QStringList labels = identifier->split(QLatin1Char('.'));
        const QString application = labels.takeLast();
        std::reverse(labels.begin(), labels.end());
        return std::make_unique<QSettings>(QSettings::UserScope, labels.join(QLatin1Char('.')), application);
    }
#endif
    return std::make_unique<QSettings>();
}

// Qt's own texts (the macOS application menu, standard dialogs) in Danish, from the translations
// built into the app or, failing those, Qt's installed ones.
void useDanishQtTexts(QTranslator& translator) {
    const QLocale danish(QLocale::Danish, QLocale::Denmark);
    if (translator.load(danish, QStringLiteral("qtbase"), QStringLiteral("_"),
                        QStringLiteral(":/translations")) ||
        translator.load(danish, QStringLiteral("qtbase"), QStringLiteral("_"),
                        QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        QCoreApplication::installTranslator(&translator);
    }
}

} // namespace

int main(int argc, char* argv[]) {
    Application application(argc, argv);
    Application::setOrganizationName(QStringLiteral("Molvena"));
    Application::setApplicationName(QStringLiteral("Molvena"));
    Application::setApplicationVersion(QStringLiteral(MOLVENA_VERSION));
    // The installed desktop entry, so a desktop shows its name and icon for the window.
    Application::setDesktopFileName(QStringLiteral("dk.molvena.Molvena"));
    QTranslator qtTexts;
    useDanishQtTexts(qtTexts);

    molvena::PlatformAdapters adapters = molvena::PlatformAdapters::forThisSystem();
    std::unique_ptr<QSettings> settings = preferenceSettings(*adapters.deviceInfo);
    molvena::MolvenaMacApp app({
        .adapters = std::move(adapters),
        .deployment = molvena::Deployment::forThisBuild(),
        .preferences = std::make_unique<molvena::PreferenceStore>(std::move(settings)),
        .monitorSchedule = {},
    });
    if (!app.show()) {
        return 1;
    }
    // For the packaging checks: the bundled app loads its QML, draws a frame and quits by itself.
    if (QCoreApplication::arguments().contains(QStringLiteral("--smoke-test"))) {
        QObject::connect(app.window(), &QQuickWindow::frameSwapped, &app, [] { QCoreApplication::exit(0); });
        QTimer::singleShot(30000, &app, [] {
            std::fprintf(stderr, "smoke test: no frame within 30 seconds\n");
            QCoreApplication::exit(2);
        });
        return Application::exec();
    }
    const molvena::WindowCloseBehaviour closing(app);
    // For scripts/measure-startup.sh: the wall-clock time of the first frame on screen.
    if (qEnvironmentVariableIsSet("MOLVENA_REPORT_FIRST_FRAME")) {
        QObject::connect(
            app.window(), &QQuickWindow::frameSwapped, &app,
            [] {
                std::printf("first-frame-epoch-ms=%lld\n", QDateTime::currentMSecsSinceEpoch());
                std::fflush(stdout);
            },
            Qt::SingleShotConnection);
    }
#ifdef MOLVENA_ENVIRONMENT_DEPLOYMENT_ENABLED
    // A development build only: the installed-package test drives the app from outside.
    const QStringList presses =
        qEnvironmentVariable("MOLVENA_PRESS").split(QLatin1Char('|'), Qt::SkipEmptyParts);
    molvena::DevelopmentDriver driver(*app.window(), app.rootViewModel(),
                                      qEnvironmentVariableIsSet("MOLVENA_REPORT_SCREENS"), presses);
#endif
    return Application::exec();
}
