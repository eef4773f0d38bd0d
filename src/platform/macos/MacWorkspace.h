#pragma once

#include "platform/Workspace.h"

namespace molvena {

// macOS: NSWorkspace opens web pages in the default browser, x-apple.systempreferences: links in
// System Settings, applications (launched) and folders (shown in the Finder).
class MacWorkspace : public Workspace {
public:
    MacWorkspace();

    bool openURL(const QUrl& url) override;
    bool openApplication(const QString& path) override;
    bool openFolder(const QString& path) override;
};

} // namespace molvena
