#include "PinSettingsViewModel.h"

#include "app/DetachedTask.h"
#include "app/PublishedField.h"
#include "app/TextInput.h"

#include <QPointer>

namespace molvena {

PinSettingsViewModel::PinSettingsViewModel(const ScreenDependencies& dependencies, PlayerSettingsViewModel&,
                                           QObject* parent)
    : QObject(parent), m_d(dependencies) {
    connect(&m_d.account, &MacAccountStore::isSavingChanged, this, &PinSettingsViewModel::changed);
}

void PinSettingsViewModel::setCurrentPIN(const QString& pin) {
    publish(*this, m_currentPIN, pin, &PinSettingsViewModel::changed);
}

void PinSettingsViewModel::setNewPIN(const QString& pin) {
    publish(*this, m_newPIN, pin, &PinSettingsViewModel::changed);
}

void PinSettingsViewModel::setConfirmPIN(const QString& pin) {
    publish(*this, m_confirmPIN, pin, &PinSettingsViewModel::changed);
}

bool PinSettingsViewModel::canSave() const {
    return !m_d.account.isSaving() && textInput::visibleLength(m_currentPIN) == 4 &&
           textInput::visibleLength(m_newPIN) == 4 && m_confirmPIN == m_newPIN;
}

void PinSettingsViewModel::save() {
    if (!canSave()) {
        return;
    }
    startDetached(runSave(), QStringLiteral("Changing the Master PIN"));
}

QCoro::Task<> PinSettingsViewModel::runSave() {
    QPointer self(this);
    MacAccountStore& account = m_d.account;
    const bool changed = co_await account.changeMasterPIN(m_currentPIN, m_newPIN, m_d.session);
    if (!self || !changed) {
        co_return;
    }
    m_currentPIN.clear();
    m_newPIN.clear();
    m_confirmPIN.clear();
    emit this->changed();
}

} // namespace molvena
