#include "MolvenaMacApp.h"

#include <QGuiApplication>

int main(int argc, char* argv[]) {
    QGuiApplication application(argc, argv);
    QGuiApplication::setOrganizationName(QStringLiteral("Molvena"));
    QGuiApplication::setApplicationName(QStringLiteral("Molvena"));
    QGuiApplication::setApplicationVersion(QStringLiteral(MOLVENA_VERSION));

    molvena::MolvenaMacApp app;
    if (!app.show()) {
        return 1;
    }
    return QGuiApplication::exec();
}
