#include "PendingScreenViewModel.h"

namespace molvena {

PendingScreenViewModel::PendingScreenViewModel(RootScreen screen, AppSession& session, QObject* parent)
    : QObject(parent), m_screen(screen), m_session(session) {}

QString PendingScreenViewModel::title() const {
    switch (m_screen) {
    case RootScreen::AccountRecovery:
        return QStringLiteral("Gendannelse af konto");
    case RootScreen::RelativePairing:
        return QStringLiteral("Forbind som pårørende");
    case RootScreen::ProtectionSetup:
        return QStringLiteral("Opsætning af beskyttelse");
    case RootScreen::PlayerDashboard:
        return QStringLiteral("Dit overblik");
    case RootScreen::RelativeDashboard:
        return QStringLiteral("Støtteoverblik");
    case RootScreen::RoleSelection:
    case RootScreen::PlayerSetup:
        break;
    }
    return QStringLiteral("Molvena");
}

QString PendingScreenViewModel::message() const {
    return QStringLiteral("Denne del af Molvena til Mac er ikke tilgængelig endnu. Den kommer i en senere "
                          "version af appen.");
}

QString PendingScreenViewModel::backLabel() const {
    return m_screen == RootScreen::AccountRecovery ? QStringLiteral("Tilbage") : QStringLiteral("Log ud");
}

void PendingScreenViewModel::backToStart() {
    if (m_screen == RootScreen::AccountRecovery) {
        m_session.setShowRecovery(false);
        return;
    }
    m_session.resetSession();
}

} // namespace molvena
