#pragma once

#include "platform/BrowserLocations.h"

namespace molvena::test {

// Firefox and Google Chrome with their profiles where Linux keeps them, under the test's home, on every
// system: what the app does with a browser's settings, not where each system keeps them.
class BrowsersInHome : public BrowserLocations {
public:
    explicit BrowsersInHome(QString home) : m_home(std::move(home)) {}
    QList<BrowserInstallation> installations() const override {
        return {{.name = QStringLiteral("Firefox"),
                 .engine = BrowserEngine::firefox,
                 .profileFolders = {m_home + QStringLiteral("/.mozilla/firefox")},
                 .policyPaths = {}},
                {.name = QStringLiteral("Google Chrome"),
                 .engine = BrowserEngine::chromium,
                 .profileFolders = {m_home + QStringLiteral("/.config/google-chrome")},
                 .policyPaths = {}}};
    }

private:
    QString m_home;
};

} // namespace molvena::test
