#pragma once

#include "session/PreferenceStore.h"

#include <QProcess>
#include <QString>
#include <QTemporaryDir>
#include <QUrl>

#include <memory>

namespace molvena::test {

// A preference store on a fresh INI file in a temporary folder that lives as long as the store.
class TemporaryPreferences {
public:
    TemporaryPreferences();
    PreferenceStore& store() { return *m_store; }
    QString path() const;
    // A second store over the same file, as a new instance of the app would open it.
    std::unique_ptr<PreferenceStore> reopen() const;

private:
    QTemporaryDir m_folder;
    std::unique_ptr<PreferenceStore> m_store;
};

// Starts a molvena-server, which the test process takes with it when it ends, and waits for the
// address it says it listens on; an empty URL, and a failed test with its output, if it never does.
QUrl startServer(QProcess& server, const QString& program, const QStringList& arguments);

// Where tests write screenshots and other files a developer looks at afterwards.
QString artifactsFolder();

} // namespace molvena::test
