#pragma once

#include "platform/DeviceInfo.h"

namespace molvena {

// Linux: the pretty host name of /etc/machine-info, else the host name; bundle values from the build.
class LinuxDeviceInfo : public DeviceInfo {
public:
    explicit LinuxDeviceInfo(QString machineInfoPath = QStringLiteral("/etc/machine-info"));

    QString computerName() const override;
    QString bundlePath() const override;
    std::optional<QString> bundleIdentifier() const override;
    std::optional<QString> shortVersion() const override;
    std::optional<QString> buildVersion() const override;

private:
    QString m_machineInfoPath;
};

} // namespace molvena
