#include "DevelopmentDriver.h"
#include "MolvenaMacApp.h"

#include <QDateTime>
#include <QGuiApplication>
#include <QQuickWindow>
#include <QSettings>

#include <cstdio>

int main(int argc, char* argv[]) {
    QGuiApplication application(argc, argv);
    QGuiApplication::setOrganizationName(QStringLiteral("Molvena"));
    QGuiApplication::setApplicationName(QStringLiteral("Molvena"));
    QGuiApplication::setApplicationVersion(QStringLiteral(MOLVENA_VERSION));
    // The installed desktop entry, so a desktop shows its name and icon for the window.
    QGuiApplication::setDesktopFileName(QStringLiteral("dk.molvena.Molvena"));

    molvena::MolvenaMacApp app({
        .adapters = molvena::PlatformAdapters::forThisSystem(),
        .deployment = molvena::Deployment::forThisBuild(),
        .preferences = std::make_unique<molvena::PreferenceStore>(std::make_unique<QSettings>()),
        .monitorSchedule = {},
    });
    if (!app.show()) {
        return 1;
    }
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
    return QGuiApplication::exec();
}
