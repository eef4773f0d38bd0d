#pragma once

#include "backend/APIClient.h"
#include "session/AppSession.h"

#include <QObject>
#include <QString>
#include <QtQml/qqmlregistration.h>

#include <qcoro/qcorotask.h>

namespace molvena {

// Brings an existing account, a player's or a relative's, onto this Mac with a one-time code sent
// to the account's e-mail address. The screen never tells whether an address has an account.
class AccountRecoveryViewModel : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("The root view model makes it.")
    Q_PROPERTY(bool relativeSelected READ relativeSelected NOTIFY selectedRoleChanged)
    Q_PROPERTY(QString email READ email WRITE setEmail NOTIFY inputChanged)
    Q_PROPERTY(QString code READ code WRITE setCode NOTIFY inputChanged)
    Q_PROPERTY(int step READ step NOTIFY stepChanged)
    Q_PROPERTY(bool busy READ busy NOTIFY busyChanged)
    Q_PROPERTY(QString errorMessage READ errorMessage NOTIFY errorMessageChanged)
    Q_PROPERTY(bool canSend READ canSend NOTIFY enabledChanged)
    Q_PROPERTY(bool canVerify READ canVerify NOTIFY enabledChanged)

public:
    // `initialRole` is the role recovery was opened for; anything but a relative means a player.
    AccountRecoveryViewModel(AppSession& session, const APIClient& api, UserRole initialRole,
                             QObject* parent = nullptr);

    UserRole selectedRole() const { return m_selectedRole; }
    bool relativeSelected() const { return m_selectedRole == UserRole::relative; }
    QString email() const { return m_email; }
    QString code() const { return m_code; }
    int step() const { return m_step; }
    bool busy() const { return m_busy; }
    QString errorMessage() const { return m_errorMessage; }
    bool canSend() const;
    bool canVerify() const;

    void setEmail(const QString& email);
    // The field shows the filtered, grouped code the property then holds.
    void setCode(const QString& code);

    Q_INVOKABLE void choosePlayer() { setSelectedRole(UserRole::player); }
    Q_INVOKABLE void chooseRelative() { setSelectedRole(UserRole::relative); }
    Q_INVOKABLE void sendCode();
    Q_INVOKABLE void verifyCode();
    // "Send en ny kode": back to the e-mail step, keeping the address and the role.
    Q_INVOKABLE void requestNewCode();
    // "Tilbage": the screen underneath shows again.
    Q_INVOKABLE void back();

    // The two actions, awaitable for tests; the buttons start them without waiting.
    QCoro::Task<> requestCode();
    QCoro::Task<> confirmCode();

    static QString failureMessage();

signals:
    void selectedRoleChanged();
    void inputChanged();
    void stepChanged();
    void busyChanged();
    void errorMessageChanged();
    void enabledChanged();

private:
    void setSelectedRole(UserRole role);
    void setStep(int step);
    void setBusy(bool busy);
    void setErrorMessage(const QString& message);
    void beginAction();

    AppSession& m_session;
    const APIClient& m_api;

    UserRole m_selectedRole;
    QString m_email;
    QString m_code;
    int m_step = 1;
    bool m_busy = false;
    QString m_errorMessage;
};

} // namespace molvena
