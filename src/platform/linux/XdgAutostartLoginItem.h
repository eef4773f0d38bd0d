#pragma once

#include "LinuxDesktopSettings.h"
#include "XdgOpen.h"
#include "platform/LoginItemService.h"

#include <QString>
#include <QStringList>

#include <optional>

namespace molvena {

// Linux: the login item is an XDG autostart entry in $XDG_CONFIG_HOME/autostart/. It is enabled when
// the entry exists, starts this executable and is not switched off by the desktop (Hidden=true or
// X-GNOME-Autostart-enabled=false); switched off, it waits for the user's approval, which the app
// does not override. A program that does not run from an installed location (a build folder) cannot
// be registered. A development build's entry carries the MOLVENA_* deployment variables it was set
// up with, so the app started at log-in reaches the same backend; a shipped build carries none and
// ignores them anyway.
class XdgAutostartLoginItem : public LoginItemService {
public:
    struct Locations {
        QString configHome;         // the XDG configuration folder
        QString executablePath;     // the program the entry must start
        QStringList installedRoots; // where an installed program lives
        QStringList environment;    // NAME=value pairs the entry starts the program with

        // $XDG_CONFIG_HOME (or ~/.config), this process's executable, /usr, /opt, ~/.local, and
        // this build's deployment variables (Deployment::carriedEnvironment).
        static Locations current();
    };

    explicit XdgAutostartLoginItem(Locations locations = Locations::current(),
                                   LinuxDesktopSettings settings = LinuxDesktopSettings(),
                                   XdgOpen opener = XdgOpen());

    int status() const override;
    QString applicationPath() const override { return m_locations.executablePath; }
    std::optional<LoginItemError> registerApplication() override;
    std::optional<LoginItemError> unregisterApplication() override;
    bool openLoginItemsSettings() override;

    QString autostartFolder() const;
    QString entryPath() const;
    bool runsFromInstalledLocation() const;

    // The Exec value that starts `program` with no arguments, quoted and escaped for an entry file;
    // with `environment` (NAME=value pairs) through env(1).
    static QString execValue(const QString& program, const QStringList& environment = {});
    // The arguments of an Exec value, quotes and escapes removed.
    static QStringList argumentsOfExec(const QString& exec);
    // The program an Exec value starts (the first argument, or the one env(1) starts).
    static QString programOfExec(const QString& exec);

private:
    struct Entry {
        QString exec;
        bool switchedOff = false;
    };
    std::optional<Entry> readEntry() const;
    bool startsThisExecutable(const Entry& entry) const;

    Locations m_locations;
    LinuxDesktopSettings m_settings;
    XdgOpen m_opener;
};

} // namespace molvena
