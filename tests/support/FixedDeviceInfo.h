#pragma once

#include "platform/DeviceInfo.h"

#include <QString>

#include <optional>

namespace molvena::test {

// A computer whose name the test chooses, running the app outside any bundle.
class FixedDeviceInfo : public DeviceInfo {
public:
    explicit FixedDeviceInfo(QString name = QStringLiteral("Annes MacBook")) : name(std::move(name)) {}
    QString computerName() const override { return name; }
    QString bundlePath() const override { return {}; }
    std::optional<QString> bundleIdentifier() const override { return std::nullopt; }
    std::optional<QString> shortVersion() const override { return std::nullopt; }
    std::optional<QString> buildVersion() const override { return std::nullopt; }

    QString name;
};

} // namespace molvena::test
