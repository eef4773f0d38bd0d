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
    return QGuiApplication::exec();
}
