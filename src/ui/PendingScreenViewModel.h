#pragma once

#include "app/RootScreen.h"
#include "session/AppSession.h"

#include <QObject>
#include <QString>
#include <QtQml/qqmlregistration.h>

namespace molvena {

// Stands in honestly for a screen this version of the app does not have yet: it names the screen,
// says so, and offers the way back to the start.
class PendingScreenViewModel : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("The root view model makes it.")
    Q_PROPERTY(QString title READ title CONSTANT)
    Q_PROPERTY(QString message READ message CONSTANT)
    Q_PROPERTY(QString backLabel READ backLabel CONSTANT)

public:
    PendingScreenViewModel(RootScreen screen, AppSession& session, QObject* parent = nullptr);

    QString title() const;
    QString message() const;
    QString backLabel() const;
    Q_INVOKABLE void backToStart();

private:
    RootScreen m_screen;
    AppSession& m_session;
};

} // namespace molvena
