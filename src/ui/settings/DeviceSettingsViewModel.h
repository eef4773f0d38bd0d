#pragma once

#include "ScreenDependencies.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QtQml/qqmlregistration.h>
#include <qcoro/qcorotask.h>

namespace molvena {

class PlayerSettingsViewModel;

// The settings page "Denne Mac": log out here only, or remove this Mac from the account after the
// Master PIN. Neither touches the installed web protection.
class DeviceSettingsViewModel : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("The settings window makes it.")
    Q_PROPERTY(molvena::MacAccountStore* account READ account CONSTANT)
    Q_PROPERTY(QString computerName READ computerName CONSTANT)
    Q_PROPERTY(bool showRemove READ showRemove NOTIFY changed)
    Q_PROPERTY(QString removePIN READ removePIN WRITE setRemovePIN NOTIFY changed)
    Q_PROPERTY(bool removing READ removing NOTIFY changed)
    Q_PROPERTY(bool canRemove READ canRemove NOTIFY changed)
    Q_PROPERTY(QString removeButtonText READ removeButtonText NOTIFY changed)

public:
    DeviceSettingsViewModel(const ScreenDependencies& dependencies, PlayerSettingsViewModel& window,
                            QObject* parent);

    MacAccountStore* account() const { return &m_d.account; }
    QString computerName() const;
    bool showRemove() const { return m_showRemove; }
    QString removePIN() const { return m_removePIN; }
    void setRemovePIN(const QString& pin);
    bool removing() const { return m_removing; }
    bool canRemove() const;
    QString removeButtonText() const;

    Q_INVOKABLE void logOut();
    Q_INVOKABLE void openRemove();
    Q_INVOKABLE void cancelRemove();
    Q_INVOKABLE void remove();

    QCoro::Task<> runRemove();

signals:
    void changed();

private:
    ScreenDependencies m_d;
    QPointer<PlayerSettingsViewModel> m_window;
    bool m_showRemove = false;
    QString m_removePIN;
    bool m_removing = false;
};

} // namespace molvena
