#pragma once

#include "ScreenDependencies.h"

#include <QObject>
#include <QString>
#include <QtQml/qqmlregistration.h>

namespace molvena {

class PlayerSettingsViewModel;

// "Din konto": the account's facts as the session holds them, which the window's profile load keeps
// in step with the server.
class AccountSettingsViewModel : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("The settings window makes it.")
    Q_PROPERTY(bool isLoading READ isLoading NOTIFY changed)
    Q_PROPERTY(QString playerName READ playerName NOTIFY changed)
    Q_PROPERTY(QString playerEmail READ playerEmail NOTIFY changed)
    Q_PROPERTY(QString pairingCodeDisplay READ pairingCodeDisplay NOTIFY changed)
    Q_PROPERTY(QString gamblingFreeDays READ gamblingFreeDays NOTIFY changed)

public:
    AccountSettingsViewModel(const ScreenDependencies& dependencies, PlayerSettingsViewModel& window,
                             QObject* parent = nullptr);

    bool isLoading() const { return m_d.account.isLoadingProfile(); }
    QString playerName() const { return m_d.session.playerName(); }
    QString playerEmail() const { return m_d.session.playerEmail(); }
    QString pairingCodeDisplay() const;
    QString gamblingFreeDays() const;

signals:
    void changed();

private:
    const ScreenDependencies& m_d;
};

} // namespace molvena
