#pragma once

#include "PlatformAdapters.h"
#include "ProtectionTestSupport.h"

#include <QString>
#include <QTemporaryDir>

namespace molvena::test {

// A desktop in a temporary folder on which the app looks installed, so automatic start can be switched
// on (on a Mac through a stand-in whose entry is a file); network path and browser stay in the test's
// hand, and the home holds the browser profiles the test writes (Firefox under .mozilla/firefox).
struct InstalledDesktop {
    QTemporaryDir folder;
    DrivenPathMonitor* paths = nullptr;
    RecordingWorkspace* workspace = nullptr;
    QString autostartEntry;

    // Hands the adapters to the app once; the pointers above stay valid as long as the app lives.
    PlatformAdapters adapters();
    // The system's own web-protection step whose helper refuses every call: Linux's installs the
    // system resolver (its sheet offers the removal too), a Mac's downloads the profile.
    static std::unique_ptr<WebProtectionInstaller> refusingWebProtection();
};

} // namespace molvena::test
