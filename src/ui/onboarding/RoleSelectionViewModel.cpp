#include "RoleSelectionViewModel.h"

namespace molvena {

RoleSelectionViewModel::RoleSelectionViewModel(AppSession& session, DomainCountStore& domains,
                                               QObject* parent)
    : QObject(parent), m_session(session), m_domains(domains) {}

void RoleSelectionViewModel::choosePlayer() {
    m_session.selectRole(UserRole::player);
}

void RoleSelectionViewModel::chooseRelative() {
    m_session.selectRole(UserRole::relative);
}

void RoleSelectionViewModel::recoverPlayer() {
    m_session.beginRecovery(UserRole::player);
}

void RoleSelectionViewModel::recoverRelative() {
    m_session.beginRecovery(UserRole::relative);
}

} // namespace molvena
