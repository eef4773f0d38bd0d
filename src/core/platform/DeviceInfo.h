#pragma once

#include <QString>

#include <optional>

namespace molvena {

// What the app knows about the computer it runs on and about its own bundle.
class DeviceInfo {
public:
    virtual ~DeviceInfo() = default;

    // The computer's user-visible name; empty when the system gives none.
    virtual QString computerName() const = 0;
    virtual QString bundlePath() const = 0;
    virtual std::optional<QString> bundleIdentifier() const = 0;
    virtual std::optional<QString> shortVersion() const = 0;
    virtual std::optional<QString> buildVersion() const = 0;
};

} // namespace molvena
