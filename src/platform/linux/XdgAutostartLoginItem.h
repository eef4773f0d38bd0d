#pragma once

#include "platform/LoginItemService.h"

#include <QString>
#include <QStringList>

#include <optional>

namespace molvena {

// Linux: the login item is an XDG autostart entry in $XDG_CONFIG_HOME/autostart/. It is enabled when
// the entry exists, starts this executable and is not switched off by the desktop (Hidden=true or
// X-GNOME-Autostart-enabled=false); switched off, it waits for the user's approval, which the app
// does not override. A program that does not run from an installed location (a build folder) cannot
// be registered.
class XdgAutostartLoginItem : public LoginItemService {
public:
    struct Locations {
        QString configHome;         // the XDG configuration folder
        QString executablePath;     // the program the entry must start
        QStringList installedRoots; // where an installed program lives

        // $XDG_CONFIG_HOME (or ~/.config), this process's executable, and /usr, /opt, ~/.local.
        static Locations current();
    };

    explicit XdgAutostartLoginItem(Locations locations = Locations::current());

    int status() const override;
    QString applicationPath() const override { return m_locations.executablePath; }
    std::optional<LoginItemError> registerApplication() override;
    std::optional<LoginItemError> unregisterApplication() override;
    void openLoginItemsSettings() override;

    QString autostartFolder() const;
    QString entryPath() const;
    bool runsFromInstalledLocation() const;

    // The Exec value that starts `program` with no arguments, quoted and escaped for an entry file.
    static QString execValue(const QString& program);
    // The program an Exec value starts (its first argument, quotes and escapes removed).
    static QString programOfExec(const QString& exec);

private:
    struct Entry {
        QString exec;
        bool switchedOff = false;
    };
    std::optional<Entry> readEntry() const;
    bool startsThisExecutable(const Entry& entry) const;

    Locations m_locations;
};

} // namespace molvena
