#pragma once

#include "platform/DeviceInfo.h"

namespace molvena {

// macOS: the computer name the user set under Sharing, and the running bundle's path and Info.plist
// values.
class MacDeviceInfo : public DeviceInfo {
public:
    MacDeviceInfo();

    QString computerName() const override;
    QString bundlePath() const override;
    std::optional<QString> bundleIdentifier() const override;
    std::optional<QString> shortVersion() const override;
    std::optional<QString> buildVersion() const override;
};

} // namespace molvena
