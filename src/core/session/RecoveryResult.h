#pragma once

#include <QString>

#include <optional>

namespace molvena {

// What a confirmed recovery code brings back of an account; every member may be absent.
struct RecoveryResult {
    std::optional<QString> name = std::nullopt;
    std::optional<QString> email = std::nullopt;
    std::optional<QString> masterPIN = std::nullopt;
    std::optional<QString> pairingCode = std::nullopt;
    std::optional<QString> pairingToken = std::nullopt;
    std::optional<QString> playerName = std::nullopt;
    std::optional<double> lastGamblingDate = std::nullopt; // seconds since 1970

    bool operator==(const RecoveryResult&) const = default;
};

} // namespace molvena
