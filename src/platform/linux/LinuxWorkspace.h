#pragma once

#include "LinuxDesktopSettings.h"
#include "XdgOpen.h"
#include "platform/Workspace.h"

namespace molvena {

// Linux: the desktop's default handlers through xdg-open. Without a GUI application there is no
// desktop to ask, and every request is refused. Settings panes open the desktop's own network
// settings: the Mac's panes that are asked for (network, profiles) both concern the network and its
// DNS here.
class LinuxWorkspace : public Workspace {
public:
    explicit LinuxWorkspace(LinuxDesktopSettings settings = LinuxDesktopSettings(),
                            XdgOpen opener = XdgOpen())
        : m_settings(std::move(settings)), m_opener(std::move(opener)) {}

    bool openURL(const QUrl& url) override;
    bool openApplication(const QString& path) override;
    bool openFolder(const QString& path) override;
    bool openSettingsPane(const QString& paneIdentifier) override;

private:
    LinuxDesktopSettings m_settings;
    XdgOpen m_opener;
};

} // namespace molvena
