#include "DeviceSettingsViewModel.h"

#include "PlayerSettingsViewModel.h"
#include "app/DetachedTask.h"
#include "app/PublishedField.h"
#include "app/TextInput.h"
#include "platform/DeviceNames.h"

namespace molvena {

DeviceSettingsViewModel::DeviceSettingsViewModel(const ScreenDependencies& dependencies,
                                                 PlayerSettingsViewModel& window, QObject* parent)
    : QObject(parent), m_d(dependencies), m_window(&window) {}

QString DeviceSettingsViewModel::computerName() const {
    const QString name = m_d.deviceInfo.computerName();
    return name.isEmpty() ? QStringLiteral("Denne ") + DeviceNames::forThisSystem().noun : name;
}

void DeviceSettingsViewModel::setRemovePIN(const QString& pin) {
    publish(*this, m_removePIN, pin, &DeviceSettingsViewModel::changed);
}

bool DeviceSettingsViewModel::canRemove() const {
    return !m_removing && textInput::visibleLength(m_removePIN) == 4;
}

QString DeviceSettingsViewModel::removeButtonText() const {
    return m_removing ? QStringLiteral("Fjerner…")
                      : QStringLiteral("Fjern ") + DeviceNames::forThisSystem().thisDevice();
}

void DeviceSettingsViewModel::logOut() {
    // Local only: the backend keeps the device and the login item stays registered.
    AppSession& session = m_d.session;
    if (m_window) {
        m_window->close();
    }
    session.resetSession();
}

void DeviceSettingsViewModel::openRemove() {
    publish(*this, m_showRemove, true, &DeviceSettingsViewModel::changed);
}

void DeviceSettingsViewModel::cancelRemove() {
    publish(*this, m_showRemove, false, &DeviceSettingsViewModel::changed);
}

void DeviceSettingsViewModel::remove() {
    if (!canRemove()) {
        return;
    }
    startDetached(runRemove(), QStringLiteral("The removal of this Mac"));
}

QCoro::Task<> DeviceSettingsViewModel::runRemove() {
    QPointer self(this);
    // The window, this page and the dashboard behind them go once the session is reset; the
    // long-lived objects are held by reference from here on.
    ScreenDependencies d = m_d;
    QPointer<PlayerSettingsViewModel> window = m_window;
    publish(*this, m_removing, true, &DeviceSettingsViewModel::changed);
    const bool removed = co_await d.account.removeThisMac(m_removePIN, d.session);
    if (removed) {
        d.launchAtLogin.disable();
        if (self) {
            publish(*this, m_showRemove, false, &DeviceSettingsViewModel::changed);
        }
        if (window) {
            window->close();
        }
        d.session.resetSession();
    }
    if (self) {
        publish(*this, m_removing, false, &DeviceSettingsViewModel::changed);
    }
}

} // namespace molvena
