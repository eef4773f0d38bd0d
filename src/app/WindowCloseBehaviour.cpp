#include "WindowCloseBehaviour.h"

#include "MolvenaMacApp.h"

#include <QGuiApplication>
#include <QQuickWindow>

#ifndef Q_OS_MACOS
#include <QIcon>
#include <QMenu>
#include <QSystemTrayIcon>
#endif

namespace molvena {

WindowCloseBehaviour::WindowCloseBehaviour(MolvenaMacApp& app, QObject* parent)
    : QObject(parent), m_app(app) {
#ifdef Q_OS_MACOS
    m_keepsRunning = true;
    // Qt reports a click on the Dock icon as the app becoming active, even when it already is.
    connect(qApp, &QGuiApplication::applicationStateChanged, this, [this](Qt::ApplicationState state) {
        if (state == Qt::ApplicationActive && m_app.window() != nullptr && !m_app.window()->isVisible()) {
            m_app.show();
        }
    });
#else
    m_keepsRunning = QSystemTrayIcon::isSystemTrayAvailable();
    if (m_keepsRunning) {
        m_menu = std::make_unique<QMenu>();
        m_menu->addAction(QStringLiteral("Åbn Molvena"), this, [this] { m_app.show(); });
        m_menu->addAction(QStringLiteral("Afslut Molvena"), qApp, &QCoreApplication::quit);
        m_tray = std::make_unique<QSystemTrayIcon>(
            QIcon(QStringLiteral(":/Molvena/design/icons/shield-fill-check.svg")));
        m_tray->setToolTip(QStringLiteral("Molvena beskytter denne computer"));
        m_tray->setContextMenu(m_menu.get());
        connect(m_tray.get(), &QSystemTrayIcon::activated, this,
                [this](QSystemTrayIcon::ActivationReason reason) {
                    if (reason == QSystemTrayIcon::Trigger || reason == QSystemTrayIcon::DoubleClick) {
                        m_app.show();
                    }
                });
        m_tray->show();
    }
#endif
    QGuiApplication::setQuitOnLastWindowClosed(!m_keepsRunning);
}

WindowCloseBehaviour::~WindowCloseBehaviour() = default;

} // namespace molvena
