#include "DevelopmentDriver.h"

#include "AppViewModel.h"

#include <QAccessible>
#include <QCoreApplication>
#include <QMouseEvent>
#include <QQuickItem>
#include <QQuickWindow>

#include <cstdio>

namespace molvena {

namespace {

bool shown(const QQuickItem* item) {
    for (const QQuickItem* it = item; it; it = it->parentItem()) {
        if (!it->isVisible() || it->opacity() <= 0) {
            return false;
        }
    }
    return item->isEnabled();
}

QQuickItem* findPressable(QQuickItem* root, const QString& name) {
    for (QQuickItem* child : root->childItems()) {
        QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(child);
        if (accessible && accessible->text(QAccessible::Name) == name && accessible->actionInterface() &&
            accessible->actionInterface()->actionNames().contains(
                QAccessibleActionInterface::pressAction()) &&
            shown(child)) {
            return child;
        }
        if (QQuickItem* found = findPressable(child, name)) {
            return found;
        }
    }
    return nullptr;
}

} // namespace

DevelopmentDriver::DevelopmentDriver(QQuickWindow& window, AppViewModel& app, bool reportScreens,
                                     QStringList presses, QObject* parent)
    : QObject(parent), m_window(&window), m_app(app), m_presses(std::move(presses)) {
    if (reportScreens) {
        connect(&m_app, &AppViewModel::screenChanged, this, &DevelopmentDriver::reportScreen);
        reportScreen();
    }
    if (!m_presses.isEmpty()) {
        connect(&m_poll, &QTimer::timeout, this, &DevelopmentDriver::pressNext);
        m_poll.start(200);
    }
}

void DevelopmentDriver::reportScreen() {
    std::printf("screen=%s\n", qPrintable(m_app.screenName()));
    std::fflush(stdout);
}

void DevelopmentDriver::pressNext() {
    if (!m_window || m_presses.isEmpty()) {
        m_poll.stop();
        return;
    }
    QQuickItem* item = findPressable(m_window->contentItem(), m_presses.first());
    if (!item) {
        return;
    }
    std::printf("pressed=%s\n", qPrintable(m_presses.takeFirst()));
    std::fflush(stdout);
    // A click in the button's middle, as the pointer delivers it.
    const QPointF centre = item->mapToScene(QPointF(item->width() / 2, item->height() / 2));
    const QPointF global = m_window->mapToGlobal(centre);
    for (const QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
        QMouseEvent event(type, centre, global, Qt::LeftButton,
                          type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton, Qt::NoModifier);
        QCoreApplication::sendEvent(m_window, &event);
    }
}

} // namespace molvena
