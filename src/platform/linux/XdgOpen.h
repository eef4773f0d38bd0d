#pragma once

#include "LinuxDesktopSettings.h"

#include <QStringList>
#include <QUrl>

namespace molvena {

// Opens a URL or a file with the desktop's default handler through xdg-open, and tells whether
// something opened. QDesktopServices reports success as soon as xdg-open has started, also when
// xdg-open then finds no handler and exits with an error: a button would do nothing and the app
// would not say what to do instead.
class XdgOpen {
public:
    explicit XdgOpen(QStringList path = LinuxDesktopSettings::Environment::current().path);

    bool open(const QUrl& url) const;

private:
    QStringList m_path; // where xdg-open is looked for ($PATH)
};

} // namespace molvena
