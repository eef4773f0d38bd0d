#pragma once

#include "ScreenDependencies.h"
#include "app/RootScreen.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QtQml/qqmlregistration.h>

namespace molvena {

// The root of the window: which one screen shows, and that screen's view model. The choice is
// re-made on every published change of the session and the three layers; a screen's view model is
// made anew each time its screen appears, so leaving a screen forgets what was typed there.
class AppViewModel : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("The application makes the one root view model.")
    Q_PROPERTY(QString screenName READ screenName NOTIFY screenChanged)
    Q_PROPERTY(QObject* screenModel READ screenModel NOTIFY screenChanged)

public:
    explicit AppViewModel(ScreenDependencies dependencies, QObject* parent = nullptr);

    RootScreen screen() const { return m_screen; }
    QString screenName() const;
    QObject* screenModel() const { return m_screenModel; }

    // Refreshes the layers once, as the window appears.
    Q_INVOKABLE void rootViewShown();

signals:
    void screenChanged();

private:
    void decide();
    QObject* makeScreenModel(RootScreen screen);

    ScreenDependencies m_dependencies;
    RootScreen m_screen = RootScreen::RoleSelection;
    QPointer<QObject> m_screenModel;
    bool m_hasDecided = false;
};

} // namespace molvena
