#include "TestSupport.h"

#include <QDir>

namespace molvena::test {

TemporaryPreferences::TemporaryPreferences() : m_store(std::make_unique<PreferenceStore>(path())) {}

QString TemporaryPreferences::path() const {
    return m_folder.filePath(QStringLiteral("preferences.ini"));
}

std::unique_ptr<PreferenceStore> TemporaryPreferences::reopen() const {
    return std::make_unique<PreferenceStore>(path());
}

QString artifactsFolder() {
    QString folder = qEnvironmentVariable("MOLVENA_TEST_ARTIFACTS");
    if (folder.isEmpty()) {
        folder = QDir::temp().filePath(QStringLiteral("molvena-test-artifacts"));
    }
    QDir().mkpath(folder);
    return folder;
}

} // namespace molvena::test
