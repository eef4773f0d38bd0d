#pragma once

#include <QString>
#include <QUrl>

namespace molvena {

// The desktop's ways of showing things to the user outside the app.
class Workspace {
public:
    virtual ~Workspace() = default;

    // Opens the URL with the user's default handler (a web page in the browser); false when the
    // system refused.
    virtual bool openURL(const QUrl& url) = 0;
    // Starts the application at the path; false when it is not there or would not start.
    virtual bool openApplication(const QString& path) = 0;
    // Shows the folder in the file browser.
    virtual bool openFolder(const QString& path) = 0;

    // Opens a pane of System Settings by its identifier, or System Settings itself when the pane's
    // link cannot be formed or is refused. Another desktop opens its own settings for the pane's
    // subject where it has them; false when nothing opened.
    virtual bool openSettingsPane(const QString& paneIdentifier);
    // The network settings (where a VPN is switched off and DNS is set).
    bool openNetworkSettings() { return openSettingsPane(networkSettingsPane()); }

    static QString networkSettingsPane() { return QStringLiteral("com.apple.Network-Settings.extension"); }
    static QString profilesSettingsPane() { return QStringLiteral("com.apple.Profiles-Settings.extension"); }

    static QUrl settingsPaneURL(const QString& paneIdentifier);
    static QString settingsApplicationPath();
};

} // namespace molvena
