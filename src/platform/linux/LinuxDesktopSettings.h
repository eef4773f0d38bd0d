#pragma once

#include <QString>
#include <QStringList>

namespace molvena {

// The desktop's own settings programs: GNOME's Settings, KDE's System Settings, or NetworkManager's
// connection editor on any desktop. A page opens with the first program of the running desktop
// that is installed; with none, nothing starts and the caller shows in the app what to do.
class LinuxDesktopSettings {
public:
    enum class Page { network, loginItems };

    struct Environment {
        QString desktops; // $XDG_CURRENT_DESKTOP, e.g. "ubuntu:GNOME" or "KDE"
        QStringList path; // where programs are looked for ($PATH)
        static Environment current();
    };

    explicit LinuxDesktopSettings(Environment environment = Environment::current());

    // The program and its arguments that open the page here; empty when none is installed.
    QStringList command(Page page) const;
    // Starts that command, detached; false when there is none or it did not start.
    bool open(Page page) const;

private:
    Environment m_environment;
};

} // namespace molvena
