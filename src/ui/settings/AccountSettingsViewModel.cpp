#include "AccountSettingsViewModel.h"

#include "PlayerDashboardViewModel.h"

namespace molvena {

AccountSettingsViewModel::AccountSettingsViewModel(const ScreenDependencies& dependencies,
                                                   PlayerSettingsViewModel&, QObject* parent)
    : QObject(parent), m_d(dependencies) {
    for (auto signal : {&AppSession::playerNameChanged, &AppSession::playerEmailChanged,
                        &AppSession::pairingCodeChanged, &AppSession::lastGamblingDateChanged}) {
        connect(&m_d.session, signal, this, &AccountSettingsViewModel::changed);
    }
    connect(&m_d.account, &MacAccountStore::isLoadingProfileChanged, this,
            &AccountSettingsViewModel::changed);
}

QString AccountSettingsViewModel::pairingCodeDisplay() const {
    return PlayerDashboardViewModel::groupedPairingCode(m_d.session.pairingCode());
}

QString AccountSettingsViewModel::gamblingFreeDays() const {
    return QString::number(
        PlayerDashboardViewModel::gamblingFreeDays(m_d.session.lastGamblingDate(), m_d.now()));
}

} // namespace molvena
