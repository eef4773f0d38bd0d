#pragma once

#include "protection/DomainCountStore.h"
#include "session/AppSession.h"

#include <QObject>
#include <QtQml/qqmlregistration.h>

namespace molvena {

// The first screen of a fresh installation: protection for oneself, support for someone, or an
// existing account brought back.
class RoleSelectionViewModel : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("The root view model makes it.")
    Q_PROPERTY(molvena::DomainCountStore* domains READ domains CONSTANT)

public:
    RoleSelectionViewModel(AppSession& session, DomainCountStore& domains, QObject* parent = nullptr);

    DomainCountStore* domains() const { return &m_domains; }

    Q_INVOKABLE void choosePlayer();
    Q_INVOKABLE void chooseRelative();
    Q_INVOKABLE void recoverPlayer();
    Q_INVOKABLE void recoverRelative();

private:
    AppSession& m_session;
    DomainCountStore& m_domains;
};

} // namespace molvena
