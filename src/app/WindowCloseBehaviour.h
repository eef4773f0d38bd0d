#pragma once

#include <QObject>

#include <memory>

#ifndef Q_OS_MACOS
class QMenu;
class QSystemTrayIcon;
#endif

namespace molvena {

class MolvenaMacApp;

// What closing the one window does. On macOS the app and its protection monitor run on, and the
// Dock (activating the app) brings the window back. On Linux the same where the desktop has a
// system tray, whose icon brings the window back and offers to quit; without a tray closing quits,
// since nothing would be left to reopen the window with.
class WindowCloseBehaviour : public QObject {
    Q_OBJECT
public:
    explicit WindowCloseBehaviour(MolvenaMacApp& app, QObject* parent = nullptr);
    ~WindowCloseBehaviour() override;

    bool keepsRunningWhenClosed() const { return m_keepsRunning; }

private:
    MolvenaMacApp& m_app;
    bool m_keepsRunning = false;
#ifndef Q_OS_MACOS
    std::unique_ptr<QMenu> m_menu;
    std::unique_ptr<QSystemTrayIcon> m_tray;
#endif
};

} // namespace molvena
