#include "SupportSettingsViewModel.h"

#include "PlayerDashboardViewModel.h"
#include "PlayerSettingsViewModel.h"
#include "app/DetachedTask.h"
#include "app/PublishedField.h"
#include "app/TextInput.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QPointer>

#include <algorithm>

namespace molvena {

SupportSettingsViewModel::SupportSettingsViewModel(const ScreenDependencies& dependencies,
                                                   PlayerSettingsViewModel& window, QObject* parent)
    : QObject(parent), m_d(dependencies), m_connections(window.connections()) {
    connect(&m_d.session, &AppSession::pairingCodeChanged, this, &SupportSettingsViewModel::changed);
    connect(&m_d.account, &MacAccountStore::isSavingChanged, this, &SupportSettingsViewModel::changed);
    m_copiedReset.setSingleShot(true);
    m_copiedReset.setInterval(copiedMilliseconds);
    connect(&m_copiedReset, &QTimer::timeout, this, [this] {
        m_copied = false;
        emit changed();
    });
}

QString SupportSettingsViewModel::pairingCodeDisplay() const {
    return PlayerDashboardViewModel::groupedPairingCode(m_d.session.pairingCode());
}

void SupportSettingsViewModel::setNewName(const QString& name) {
    publish(*this, m_newName, name, &SupportSettingsViewModel::changed);
}

void SupportSettingsViewModel::setNewPhone(const QString& phone) {
    publish(*this, m_newPhone, phone, &SupportSettingsViewModel::changed);
}

bool SupportSettingsViewModel::hasMoreThanBlanks(const QString& text) {
    // Blanks only: a line break counts as content here and is left for the store to refuse.
    return std::any_of(text.cbegin(), text.cend(), [](QChar character) {
        return character != QLatin1Char('\t') && character.category() != QChar::Separator_Space;
    });
}

bool SupportSettingsViewModel::canSaveContact() const {
    return !m_d.account.isSaving() && hasMoreThanBlanks(m_newName) && hasMoreThanBlanks(m_newPhone);
}

QVariantMap SupportSettingsViewModel::pendingDelete() const {
    return m_pendingDelete ? m_pendingDelete->toVariantMap() : QVariantMap();
}

QString SupportSettingsViewModel::removalTitle() const {
    return m_pendingDelete ? QStringLiteral("Fjern ") + m_pendingDelete->name + QLatin1Char('?') : QString();
}

void SupportSettingsViewModel::setDeletePIN(const QString& pin) {
    publish(*this, m_deletePIN, pin, &SupportSettingsViewModel::changed);
}

bool SupportSettingsViewModel::canRemoveContact() const {
    return !m_deleting && textInput::visibleLength(m_deletePIN) == 4;
}

void SupportSettingsViewModel::copyPairingCode() {
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->clear();
    // The stored code, without the blank of the display.
    clipboard->setText(m_d.session.pairingCode());
    m_copied = true;
    m_copiedReset.start();
    emit changed();
}

void SupportSettingsViewModel::toggleAdding() {
    // Closing the form keeps what was typed.
    m_adding = !m_adding;
    emit changed();
}

void SupportSettingsViewModel::saveContact() {
    if (!canSaveContact()) {
        return;
    }
    startDetached(runSaveContact(), QStringLiteral("Adding an emergency contact"));
}

void SupportSettingsViewModel::askToRemove(const QString& raw) {
    for (const MacEmergencyContact& contact : m_d.account.emergencyContacts()) {
        if (contact.raw == raw) {
            // The sheet asks afresh; what the page last said belongs to the page.
            m_d.account.clearMessages();
            m_pendingDelete = contact;
            m_deletePIN.clear();
            emit changed();
            return;
        }
    }
}

void SupportSettingsViewModel::cancelRemoval() {
    m_pendingDelete.reset();
    emit changed();
}

void SupportSettingsViewModel::confirmRemoval() {
    if (!m_pendingDelete || !canRemoveContact()) {
        return;
    }
    startDetached(runRemoval(), QStringLiteral("Removing an emergency contact"));
}

QCoro::Task<> SupportSettingsViewModel::runSaveContact() {
    QPointer self(this);
    MacAccountStore& account = m_d.account;
    // The store catches every failure and explains it in its lastError.
    const bool saved = co_await account.addContact(m_newName, m_newPhone, m_d.session);
    if (!self || !saved) {
        co_return;
    }
    m_newName.clear();
    m_newPhone.clear();
    m_adding = false;
    emit changed();
}

QCoro::Task<> SupportSettingsViewModel::runRemoval() {
    QPointer self(this);
    MacAccountStore& account = m_d.account;
    m_deleting = true;
    emit changed();
    const bool removed = co_await account.removeContact(*m_pendingDelete, m_deletePIN, m_d.session);
    if (!self) {
        co_return;
    }
    if (removed) {
        m_pendingDelete.reset();
    }
    m_deleting = false;
    emit changed();
}

} // namespace molvena
