#pragma once

#include "PreferenceStore.h"
#include "RecoveryResult.h"
#include "UserRole.h"

#include <QObject>
#include <QString>

namespace molvena {

// Who uses this Mac and how far they have come. The persisted fields have no copy besides the
// preference store: reading one reads the store, assigning one writes it at once.
class AppSession : public QObject {
    Q_OBJECT
    Q_PROPERTY(molvena::UserRole role READ role NOTIFY roleChanged)
    Q_PROPERTY(bool isSetupComplete READ isSetupComplete NOTIFY isSetupCompleteChanged)
    Q_PROPERTY(bool showRecovery READ showRecovery WRITE setShowRecovery NOTIFY showRecoveryChanged)
    Q_PROPERTY(molvena::UserRole recoveryRole READ recoveryRole NOTIFY recoveryRoleChanged)

    Q_PROPERTY(QString playerName READ playerName WRITE setPlayerName NOTIFY playerNameChanged)
    Q_PROPERTY(QString playerEmail READ playerEmail WRITE setPlayerEmail NOTIFY playerEmailChanged)
    Q_PROPERTY(QString masterPIN READ masterPIN WRITE setMasterPIN NOTIFY masterPINChanged)
    Q_PROPERTY(double lastGamblingDate READ lastGamblingDate WRITE setLastGamblingDate NOTIFY
                   lastGamblingDateChanged)
    Q_PROPERTY(QString deviceToken READ deviceToken NOTIFY deviceTokenChanged)
    Q_PROPERTY(QString pairingCode READ pairingCode WRITE setPairingCode NOTIFY pairingCodeChanged)
    Q_PROPERTY(QString gamblingLocationType READ gamblingLocationType WRITE setGamblingLocationType NOTIFY
                   gamblingLocationTypeChanged)
    Q_PROPERTY(QString gamblingGameTypes READ gamblingGameTypes WRITE setGamblingGameTypes NOTIFY
                   gamblingGameTypesChanged)
    Q_PROPERTY(
        double monthlySpendDKK READ monthlySpendDKK WRITE setMonthlySpendDKK NOTIFY monthlySpendDKKChanged)
    Q_PROPERTY(QString relativePairingToken READ relativePairingToken WRITE setRelativePairingToken NOTIFY
                   relativePairingTokenChanged)
    Q_PROPERTY(QString supportContactsStr READ supportContactsStr WRITE setSupportContactsStr NOTIFY
                   supportContactsStrChanged)

public:
    explicit AppSession(PreferenceStore& store, QObject* parent = nullptr);

    UserRole role() const { return m_role; }
    bool isSetupComplete() const { return m_isSetupComplete; }
    bool showRecovery() const { return m_showRecovery; }
    UserRole recoveryRole() const { return m_recoveryRole; }
    void setShowRecovery(bool show);

    QString playerName() const;
    QString playerEmail() const;
    QString masterPIN() const;
    double lastGamblingDate() const;
    QString deviceToken() const;
    QString pairingCode() const;
    QString gamblingLocationType() const;
    QString gamblingGameTypes() const;
    double monthlySpendDKK() const;
    QString relativePairingToken() const;
    QString supportContactsStr() const;

    void setPlayerName(const QString& value);
    void setPlayerEmail(const QString& value);
    void setMasterPIN(const QString& value);
    void setLastGamblingDate(double value);
    void setPairingCode(const QString& value);
    void setGamblingLocationType(const QString& value);
    void setGamblingGameTypes(const QString& value);
    void setMonthlySpendDKK(double value);
    void setRelativePairingToken(const QString& value);
    void setSupportContactsStr(const QString& value);

    Q_INVOKABLE void selectRole(molvena::UserRole role);
    Q_INVOKABLE void completeSetup();
    Q_INVOKABLE void beginRecovery(molvena::UserRole role);
    void applyRecovery(const RecoveryResult& result, UserRole role);
    Q_INVOKABLE void resetSession();

    // The store behind the persisted fields, for grouping the writes of one step in a batch.
    PreferenceStore& preferences() const { return m_store; }

    // The keys resetSession removes, in the order it removes them.
    static const QStringList& resetKeys();

signals:
    void roleChanged();
    void isSetupCompleteChanged();
    void showRecoveryChanged();
    void recoveryRoleChanged();
    void playerNameChanged();
    void playerEmailChanged();
    void masterPINChanged();
    void lastGamblingDateChanged();
    void deviceTokenChanged();
    void pairingCodeChanged();
    void gamblingLocationTypeChanged();
    void gamblingGameTypesChanged();
    void monthlySpendDKKChanged();
    void relativePairingTokenChanged();
    void supportContactsStrChanged();

private:
    void setRole(UserRole role);
    void setIsSetupComplete(bool complete);
    void setRecoveryRole(UserRole role);
    void writePersisted(const QString& key, const QVariant& value, void (AppSession::*changed)());

    PreferenceStore& m_store;
    UserRole m_role = UserRole::none;
    bool m_isSetupComplete = false;
    bool m_showRecovery = false;
    UserRole m_recoveryRole = UserRole::player;
};

} // namespace molvena
