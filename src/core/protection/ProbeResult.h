#pragma once

#include <QString>

#include <optional>

namespace molvena {

// Outcome of one probe of a site.
struct ProbeResult {
    enum class Kind {
        blocked,   // a resolver answered that the name does not exist: blocking is in force for it
        reachable, // an HTTP response came back, whatever its status
        unknown,   // anything else: time-out, TLS failure, offline, ...
    };

    Kind kind = Kind::unknown;
    QString reason;                // blocked: "cannotFindHost"; unknown: why
    std::optional<int> statusCode; // reachable: the HTTP status

    static ProbeResult blocked(QString failureName) { return {Kind::blocked, std::move(failureName), {}}; }
    static ProbeResult reachable(std::optional<int> status) { return {Kind::reachable, {}, status}; }
    static ProbeResult unknown(QString why) { return {Kind::unknown, std::move(why), {}}; }

    bool isBlocked() const { return kind == Kind::blocked; }
    bool isReachable() const { return kind == Kind::reachable; }

    friend bool operator==(const ProbeResult&, const ProbeResult&) = default;
};

} // namespace molvena
