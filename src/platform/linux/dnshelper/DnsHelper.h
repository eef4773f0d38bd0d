#pragma once

#include "PathSnapshot.h"
#include "ResolverFile.h"

#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

namespace molvena::dnshelper {

// Where the helper reads and writes. In use every path is the system's own; the tests and a
// development build's direct launch put them all under a folder of their own.
struct HelperPaths {
    std::filesystem::path root = "/";
    std::filesystem::path resolverFile; // the package's file naming the protective resolver
    std::filesystem::path stateFolder;  // what was there before, for removal
    bool runsReloadCommands = true;     // false under a test root: the command is printed instead

    // The paths under `root` as this build installs them.
    static HelperPaths under(const std::filesystem::path& root);
};

// The name-service setups the helper knows how to point at the protective resolver.
enum class ResolverSystem { systemdResolved, networkManager, resolvConf };

// Points this computer's name service at the protective resolver and puts back what was there.
// Takes nothing from its caller but the operation: the resolver comes from the package's file.
class DnsHelper {
public:
    DnsHelper(HelperPaths paths, unsigned callerOwner, std::ostream& out);

    void install();
    void remove();
    void status();

    // Which setup this computer uses; throws when only /etc/resolv.conf is left and something
    // else rewrites it.
    ResolverSystem detect() const;

private:
    struct Change {
        std::filesystem::path path;
        std::string contents;
    };
    std::vector<Change> changesFor(ResolverSystem system, const ResolverFile& resolver) const;
    void reload(ResolverSystem system) const;
    bool isRunning(const std::string& command) const;
    std::filesystem::path systemPath(const std::string& absolute) const;

    HelperPaths m_paths;
    unsigned m_callerOwner;
    std::ostream& m_out;
};

} // namespace molvena::dnshelper
