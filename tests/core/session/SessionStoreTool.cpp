// Writes a player session into the preference file given as the first argument, the way a recovery
// does (one batch), then ends the process abruptly, as a crash would: only what was synced survives.
#include "session/AppSession.h"

#include <QCoreApplication>

#include <cstdlib>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc < 2) {
        return 2;
    }
    molvena::PreferenceStore store(QString::fromLocal8Bit(argv[1]));
    molvena::AppSession session(store);
    session.applyRecovery({.name = QStringLiteral("Åse Ørsted"), .lastGamblingDate = 1700000000.5},
                          molvena::UserRole::player);
    std::fputs(qPrintable(session.deviceToken() + QLatin1Char('\n')), stdout);
    std::fflush(stdout);
    std::_Exit(0);
}
