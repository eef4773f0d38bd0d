#include "LinuxWorkspace.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QGuiApplication>

namespace molvena {

namespace {
bool hasDesktop() {
    return qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr;
}
} // namespace

bool LinuxWorkspace::openURL(const QUrl& url) {
    return url.isValid() && hasDesktop() && m_opener.open(url);
}

bool LinuxWorkspace::openApplication(const QString& path) {
    return QFileInfo::exists(path) && openURL(QUrl::fromLocalFile(path));
}

bool LinuxWorkspace::openFolder(const QString& path) {
    return QFileInfo(path).isDir() && openURL(QUrl::fromLocalFile(path));
}

bool LinuxWorkspace::openSettingsPane(const QString&) {
    return hasDesktop() && m_settings.open(LinuxDesktopSettings::Page::network);
}

} // namespace molvena
