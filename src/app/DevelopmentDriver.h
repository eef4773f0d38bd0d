#pragma once

#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QTimer>

class QQuickWindow;

namespace molvena {

class AppViewModel;

// Lets a test drive the real, installed app from outside, as a user would: it prints every screen
// the window shows ("screen=<name>" on standard output) and presses the named buttons, in order,
// with a click once each is visible and enabled. Only a development build
// (MOLVENA_ENVIRONMENT_DEPLOYMENT) makes one, from MOLVENA_REPORT_SCREENS=1 and
// MOLVENA_PRESS="<name>|<name>".
class DevelopmentDriver : public QObject {
    Q_OBJECT
public:
    DevelopmentDriver(QQuickWindow& window, AppViewModel& app, bool reportScreens, QStringList presses,
                      QObject* parent = nullptr);

private:
    void reportScreen();
    void pressNext();

    QPointer<QQuickWindow> m_window;
    AppViewModel& m_app;
    QStringList m_presses;
    QTimer m_poll;
};

} // namespace molvena
