#pragma once

#include "platform/Workspace.h"

namespace molvena {

// Linux: the desktop's default handlers through Qt (xdg-open semantics). Without a GUI application
// there is no desktop to ask, and every request is refused.
class LinuxWorkspace : public Workspace {
public:
    bool openURL(const QUrl& url) override;
    bool openApplication(const QString& path) override;
    bool openFolder(const QString& path) override;
};

} // namespace molvena
