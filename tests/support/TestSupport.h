#pragma once

#include "session/PreferenceStore.h"

#include <QString>
#include <QTemporaryDir>

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

// Where tests write screenshots and other files a developer looks at afterwards.
QString artifactsFolder();

} // namespace molvena::test
