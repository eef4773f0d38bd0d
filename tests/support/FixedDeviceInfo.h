#pragma once

#include "platform/DeviceInfo.h"

#include <QString>

#include <optional>

namespace molvena::test {

// A computer and an app bundle whose names and versions the test chooses.
class FixedDeviceInfo : public DeviceInfo {
public:
    explicit FixedDeviceInfo(QString name = QStringLiteral("Annes MacBook")) : name(std::move(name)) {}
    QString computerName() const override { return name; }
    QString bundlePath() const override { return path; }
    std::optional<QString> bundleIdentifier() const override { return identifier; }
    std::optional<QString> shortVersion() const override { return version; }
    std::optional<QString> buildVersion() const override { return build; }

    QString name;
    QString path;
    std::optional<QString> identifier;
    std::optional<QString> version;
    std::optional<QString> build;
};

} // namespace molvena::test
