#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace molvena::dnshelper {

// The protective resolver as the package's root-owned file names it: its addresses and the name its
// DNS-over-TLS certificate carries. The helper takes these from nowhere else.
struct ResolverFile {
    std::vector<std::string> addresses; // IPv4 or IPv6, in the file's order
    std::string tlsName;

    // Reads and validates the file. `requiredOwner` is the only owner accepted besides root; the file
    // must not be writable by group or others. Throws HelperError with a message for the user.
    static ResolverFile read(const std::filesystem::path& path, unsigned requiredOwner);
};

} // namespace molvena::dnshelper
