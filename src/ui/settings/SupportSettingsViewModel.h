#pragma once

#include "ScreenDependencies.h"
#include "account/MacEmergencyContact.h"
#include "account/PlayerConnectionStatusStore.h"

#include <QObject>
#include <QString>
#include <QTimer>
#include <QVariantMap>
#include <QtQml/qqmlregistration.h>
#include <qcoro/qcorotask.h>

#include <optional>

namespace molvena {

class PlayerSettingsViewModel;

// "Støttenetværk": the pairing code to share, the relatives who paired with it (the window's own
// list), and the emergency contacts with their add form and the PIN-confirmed removal.
class SupportSettingsViewModel : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("The settings window makes it.")
    Q_PROPERTY(molvena::MacAccountStore* account READ account CONSTANT)
    Q_PROPERTY(molvena::PlayerConnectionStatusStore* connections READ connections CONSTANT)
    Q_PROPERTY(QString pairingCodeDisplay READ pairingCodeDisplay NOTIFY changed)
    Q_PROPERTY(bool copied READ copied NOTIFY changed)
    Q_PROPERTY(QString newName READ newName WRITE setNewName NOTIFY changed)
    Q_PROPERTY(QString newPhone READ newPhone WRITE setNewPhone NOTIFY changed)
    Q_PROPERTY(bool adding READ adding NOTIFY changed)
    Q_PROPERTY(bool canSaveContact READ canSaveContact NOTIFY changed)
    // The contact whose removal is being confirmed (raw, name, phone), empty while none is.
    Q_PROPERTY(QVariantMap pendingDelete READ pendingDelete NOTIFY changed)
    Q_PROPERTY(QString removalTitle READ removalTitle NOTIFY changed)
    Q_PROPERTY(bool isConfirmingRemoval READ isConfirmingRemoval NOTIFY changed)
    Q_PROPERTY(QString deletePIN READ deletePIN WRITE setDeletePIN NOTIFY changed)
    Q_PROPERTY(bool deleting READ deleting NOTIFY changed)
    Q_PROPERTY(bool canRemoveContact READ canRemoveContact NOTIFY changed)

public:
    static constexpr int copiedMilliseconds = 1500;

    SupportSettingsViewModel(const ScreenDependencies& dependencies, PlayerSettingsViewModel& window,
                             QObject* parent = nullptr);

    // Something besides blanks and tabs.
    static bool hasMoreThanBlanks(const QString& text);

    MacAccountStore* account() const { return &m_d.account; }
    PlayerConnectionStatusStore* connections() const { return &m_connections; }
    QString pairingCodeDisplay() const;
    bool copied() const { return m_copied; }
    QString newName() const { return m_newName; }
    void setNewName(const QString& name);
    QString newPhone() const { return m_newPhone; }
    void setNewPhone(const QString& phone);
    bool adding() const { return m_adding; }
    bool canSaveContact() const;
    QVariantMap pendingDelete() const;
    // "Fjern Mette?"
    QString removalTitle() const;
    bool isConfirmingRemoval() const { return m_pendingDelete.has_value(); }
    QString deletePIN() const { return m_deletePIN; }
    void setDeletePIN(const QString& pin);
    bool deleting() const { return m_deleting; }
    bool canRemoveContact() const;

    Q_INVOKABLE void copyPairingCode();
    Q_INVOKABLE void toggleAdding();
    Q_INVOKABLE void saveContact();
    // Asks for the PIN to remove the contact with this raw entry.
    Q_INVOKABLE void askToRemove(const QString& raw);
    Q_INVOKABLE void cancelRemoval();
    Q_INVOKABLE void confirmRemoval();

    QCoro::Task<> runSaveContact();
    QCoro::Task<> runRemoval();

signals:
    void changed();

private:
    const ScreenDependencies& m_d;
    PlayerConnectionStatusStore& m_connections;
    QTimer m_copiedReset;
    bool m_copied = false;
    QString m_newName;
    QString m_newPhone;
    bool m_adding = false;
    std::optional<MacEmergencyContact> m_pendingDelete;
    QString m_deletePIN;
    bool m_deleting = false;
};

} // namespace molvena
