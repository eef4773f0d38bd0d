#pragma once

#include "platform/BrowserLocations.h"

namespace molvena::test {

// Firefox and Google Chrome with their profiles where Linux keeps them, under a home folder the test
// owns, on every system: tests of what the app does with a browser's settings, not of where each
// system keeps them (the platforms' own location tables have their own tests).
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
