// Writes a player session into the preference file given as the first argument, then ends the
// process abruptly, as a crash would: only what was synced to disk at each write survives.
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
    session.selectRole(molvena::UserRole::player);
    session.setPlayerName(QStringLiteral("Åse Ørsted"));
    session.setLastGamblingDate(1700000000.5);
    session.completeSetup();
    std::fputs(qPrintable(session.deviceToken() + QLatin1Char('\n')), stdout);
    std::fflush(stdout);
    std::_Exit(0);
}
