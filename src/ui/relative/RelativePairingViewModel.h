#pragma once

#include "backend/APIClient.h"
#include "protection/DomainCountStore.h"
#include "session/AppSession.h"

#include <QObject>
#include <QString>
#include <QtQml/qqmlregistration.h>

#include <qcoro/qcorotask.h>

namespace molvena {

// A relative connects this Mac to a player with the player's six-digit code and their own e-mail.
// Nothing reaches the session until the backend has accepted the code.
class RelativePairingViewModel : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("The root view model makes it.")
    Q_PROPERTY(QString code READ code WRITE setCode NOTIFY inputChanged)
    Q_PROPERTY(QString email READ email WRITE setEmail NOTIFY inputChanged)
    Q_PROPERTY(QString error READ error NOTIFY errorChanged)
    Q_PROPERTY(bool busy READ busy NOTIFY busyChanged)
    Q_PROPERTY(bool canSubmit READ canSubmit NOTIFY canSubmitChanged)
    Q_PROPERTY(molvena::DomainCountStore* domains READ domains CONSTANT)

public:
    RelativePairingViewModel(AppSession& session, const APIClient& api, DomainCountStore& domains,
                             QObject* parent = nullptr);

    QString code() const { return m_code; }
    QString email() const { return m_email; }
    QString error() const { return m_error; }
    bool busy() const { return m_busy; }
    bool canSubmit() const;
    DomainCountStore* domains() const { return &m_domains; }

    // The field shows the filtered, grouped code the property then holds.
    void setCode(const QString& code);
    void setEmail(const QString& email);

    Q_INVOKABLE void submit();
    // "Tilbage": back to the role selection.
    Q_INVOKABLE void back();
    Q_INVOKABLE void recoverAccount();

    // The pairing, awaitable for tests; the button starts it without waiting.
    QCoro::Task<> pair();

signals:
    void inputChanged();
    void errorChanged();
    void busyChanged();
    void canSubmitChanged();

private:
    void setError(const QString& error);
    void setBusy(bool busy);

    AppSession& m_session;
    const APIClient& m_api;
    DomainCountStore& m_domains;

    QString m_code;
    QString m_email;
    QString m_error;
    bool m_busy = false;
};

} // namespace molvena
