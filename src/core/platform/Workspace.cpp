#include "Workspace.h"

namespace molvena {

QUrl Workspace::settingsPaneURL(const QString& paneIdentifier) {
    if (paneIdentifier.isEmpty()) {
        return {};
    }
    QUrl url;
    url.setScheme(QStringLiteral("x-apple.systempreferences"));
    url.setPath(paneIdentifier);
    return url.isValid() ? url : QUrl();
}

QString Workspace::settingsApplicationPath() {
    return QStringLiteral("/System/Applications/System Settings.app");
}

bool Workspace::openSettingsPane(const QString& paneIdentifier) {
    const QUrl pane = settingsPaneURL(paneIdentifier);
    if (pane.isValid() && openURL(pane)) {
        return true;
    }
    return openApplication(settingsApplicationPath());
}

} // namespace molvena
