#pragma once

#include "platform/LoginItemService.h"

namespace molvena {

// macOS 13 and later: the application registered as its own login item (SMAppService's main app
// service). Status numbers and refusals are passed up as the system gives them, except that "already
// registered" is no refusal: the item is there.
class MacLoginItemService : public LoginItemService {
public:
    MacLoginItemService();

    int status() const override;
    QString applicationPath() const override;
    bool runsFromInstallLocation() const override;
    std::optional<LoginItemError> registerApplication() override;
    std::optional<LoginItemError> unregisterApplication() override;
    bool openLoginItemsSettings() override;
};

} // namespace molvena
