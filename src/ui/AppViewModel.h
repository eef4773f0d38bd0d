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
// made anew each time its screen appears, so leaving a screen forgets what was typed there. Recovery is
// the exception: it opens over a screen, and "Tilbage" returns to that screen as it was left.
class AppViewModel : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("The application makes the one root view model.")
    Q_PROPERTY(QString screenName READ screenName NOTIFY screenChanged)
    Q_PROPERTY(QObject* screenModel READ screenModel NOTIFY screenChanged)
    // A word about what just happened that the screen which caused it can no longer show ("Denne Mac
    // er fjernet fra din konto."); empty when there is none. It stays on the next screen until the
    // user closes it or moves on.
    Q_PROPERTY(QString notice READ notice NOTIFY noticeChanged)

public:
    explicit AppViewModel(ScreenDependencies dependencies, QObject* parent = nullptr);

    RootScreen screen() const { return m_screen; }
    QString screenName() const;
    QObject* screenModel() const { return m_screenModel; }

    QString notice() const { return m_notice; }

    // Refreshes the layers once, as the window appears.
    Q_INVOKABLE void rootViewShown();
    Q_INVOKABLE void dismissNotice();

signals:
    void screenChanged();
    void noticeChanged();

private:
    void decide();
    QObject* makeScreenModel(RootScreen screen);
    void setNotice(const QString& notice);

    ScreenDependencies m_dependencies;
    RootScreen m_screen = RootScreen::RoleSelection;
    QPointer<QObject> m_screenModel;
    bool m_hasDecided = false;
    // The screen recovery opened over, kept until recovery closes.
    RootScreen m_underRecovery = RootScreen::RoleSelection;
    QPointer<QObject> m_modelUnderRecovery;
    QString m_notice;
    // The notice outlives the one change of screen that follows it, and no more.
    int m_screenChangesLeftForNotice = 0;
};

} // namespace molvena
