#include "DnsHelper.h"

#include "HelperError.h"

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <optional>

namespace molvena::dnshelper {

namespace fs = std::filesystem;

namespace {

const char* const kResolvConf = "/etc/resolv.conf";
const char* const kResolvedDropIn = "/etc/systemd/resolved.conf.d/90-molvena.conf";
const char* const kNetworkManagerDropIn = "/etc/NetworkManager/conf.d/90-molvena-dns.conf";
const char* const kHeader =
    "# Written by molvena-dns-helper: Molvena's web protection. Removing the protection in\n"
    "# Molvena puts back what was here before.\n";

const char* systemName(ResolverSystem system) {
    switch (system) {
    case ResolverSystem::systemdResolved:
        return "systemd-resolved";
    case ResolverSystem::networkManager:
        return "NetworkManager";
    case ResolverSystem::resolvConf:
        return "/etc/resolv.conf";
    }
    return "";
}

std::optional<ResolverSystem> systemFromManifest(const std::vector<PathSnapshot>& snapshots) {
    for (const PathSnapshot& snapshot : snapshots) {
        const std::string path = snapshot.path.string();
        if (path.ends_with(kResolvedDropIn)) {
            return ResolverSystem::systemdResolved;
        }
        if (path.ends_with(kNetworkManagerDropIn)) {
            return ResolverSystem::networkManager;
        }
        if (path.ends_with(kResolvConf)) {
            return ResolverSystem::resolvConf;
        }
    }
    return std::nullopt;
}

std::string joined(const std::vector<std::string>& items, const std::string& separator,
                   const std::string& suffix = {}) {
    std::string text;
    for (const std::string& item : items) {
        text += (text.empty() ? "" : separator) + item + suffix;
    }
    return text;
}

} // namespace

HelperPaths HelperPaths::under(const fs::path& root) {
    HelperPaths paths;
    paths.root = root;
    paths.resolverFile = root / fs::path(MOLVENA_HELPER_SYSCONFDIR "/molvena/resolver.conf").relative_path();
    paths.stateFolder =
        root / fs::path(MOLVENA_HELPER_LOCALSTATEDIR "/lib/molvena/dns-helper").relative_path();
    paths.runsReloadCommands = root == fs::path("/");
    return paths;
}

DnsHelper::DnsHelper(HelperPaths paths, unsigned callerOwner, std::ostream& out)
    : m_paths(std::move(paths)), m_callerOwner(callerOwner), m_out(out) {}

fs::path DnsHelper::systemPath(const std::string& absolute) const {
    return m_paths.root / fs::path(absolute).relative_path();
}

bool DnsHelper::isRunning(const std::string& command) const {
    std::error_code error;
    for (const fs::directory_entry& entry : fs::directory_iterator(systemPath("/proc"), error)) {
        const std::string name = entry.path().filename().string();
        if (name.empty() || name.find_first_not_of("0123456789") != std::string::npos) {
            continue;
        }
        std::ifstream comm(entry.path() / "comm");
        std::string running;
        if (std::getline(comm, running) && running == command) {
            return true;
        }
    }
    return false;
}

ResolverSystem DnsHelper::detect() const {
    // The kernel keeps 15 characters of a command's name.
    if (isRunning("systemd-resolve")) {
        return ResolverSystem::systemdResolved;
    }
    if (isRunning("NetworkManager")) {
        return ResolverSystem::networkManager;
    }
    // Only a file that nothing else rewrites: a name server written there and undone minutes later
    // by a DHCP client would look to the app like protection removed, and alert the relatives.
    for (const char* rewriter : {"dhclient", "dhcpcd", "connmand", "systemd-network", "wicked"}) {
        if (isRunning(rewriter)) {
            throw HelperError(ExitStatus::unsupportedSystem,
                              std::string("/etc/resolv.conf skrives om af ") + rewriter +
                                  ", så Molvena ville blive overskrevet. Brug NetworkManager eller "
                                  "systemd-resolved, så kan webbeskyttelsen installeres.");
        }
    }
    std::error_code error;
    if (fs::is_symlink(systemPath(kResolvConf), error) || fs::exists(systemPath("/run/resolvconf"), error)) {
        throw HelperError(ExitStatus::unsupportedSystem,
                          "/etc/resolv.conf styres af et andet program (resolvconf eller en henvisning), som "
                          "ville overskrive Molvena. Brug NetworkManager eller systemd-resolved, så kan "
                          "webbeskyttelsen installeres.");
    }
    return ResolverSystem::resolvConf;
}

std::vector<DnsHelper::Change> DnsHelper::changesFor(ResolverSystem system,
                                                     const ResolverFile& resolver) const {
    switch (system) {
    case ResolverSystem::systemdResolved:
        // Opportunistic DNS over TLS: where port 853 is blocked, systemd-resolved asks the same
        // protective resolver over plain DNS, so blocking holds on every network.
        return {{systemPath(kResolvedDropIn), std::string(kHeader) + "[Resolve]\nDNS=" +
                                                  joined(resolver.addresses, " ", "#" + resolver.tlsName) +
                                                  "\nDomains=~.\nDNSOverTLS=opportunistic\n"}};
    case ResolverSystem::networkManager:
        return {{systemPath(kNetworkManagerDropIn), std::string(kHeader) +
                                                        "[global-dns]\nsearches=\n\n"
                                                        "[global-dns-domain-*]\nservers=" +
                                                        joined(resolver.addresses, ",") + "\n"}};
    case ResolverSystem::resolvConf: {
        std::string text = kHeader;
        for (const std::string& address : resolver.addresses) {
            text += "nameserver " + address + "\n";
        }
        return {{systemPath(kResolvConf), text}};
    }
    }
    return {};
}

void DnsHelper::reload(ResolverSystem system) const {
    std::vector<std::string> command;
    if (system == ResolverSystem::systemdResolved) {
        command = {"/bin/systemctl", "try-restart", "systemd-resolved.service"};
    } else if (system == ResolverSystem::networkManager) {
        command = {"/bin/systemctl", "try-reload-or-restart", "NetworkManager.service"};
    } else {
        return; // the C library reads /etc/resolv.conf afresh
    }
    if (!m_paths.runsReloadCommands) {
        m_out << "reload: " << joined(command, " ") << "\n";
        return;
    }
    const pid_t child = ::fork();
    if (child == 0) {
        std::vector<char*> arguments;
        for (std::string& argument : command) {
            arguments.push_back(argument.data());
        }
        arguments.push_back(nullptr);
        char* const environment[] = {const_cast<char*>("PATH=/usr/sbin:/usr/bin:/sbin:/bin"), nullptr};
        ::execve(arguments[0], arguments.data(), environment);
        ::_exit(127);
    }
    int status = 0;
    if (child < 0 || ::waitpid(child, &status, 0) < 0 || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        throw HelperError(ExitStatus::writeFailed, "Indstillingerne er skrevet, men " +
                                                       std::string(systemName(system)) +
                                                       " kunne ikke genindlæse dem. Genstart computeren.");
    }
}

void DnsHelper::install() {
    const ResolverFile resolver = ResolverFile::read(m_paths.resolverFile, m_callerOwner);
    const std::optional<std::vector<PathSnapshot>> installed = PathSnapshot::load(m_paths.stateFolder);
    std::optional<ResolverSystem> system;
    if (installed) {
        system = systemFromManifest(*installed); // once more: the resolver file may have changed
    }
    if (!system) {
        system = detect();
    }
    const std::vector<Change> changes = changesFor(*system, resolver);
    if (!installed) {
        std::vector<PathSnapshot> before;
        for (const Change& change : changes) {
            for (fs::path parent = change.path.parent_path(); !fs::exists(parent);
                 parent = parent.parent_path()) {
                before.insert(before.begin(), PathSnapshot::capture(parent));
            }
            before.push_back(PathSnapshot::capture(change.path));
        }
        PathSnapshot::save(before, m_paths.stateFolder);
    }
    for (const Change& change : changes) {
        std::error_code error;
        if (fs::create_directories(change.path.parent_path(), error)) {
            ::chmod(change.path.parent_path().c_str(), 0755);
        }
        replaceFile(change.path, change.contents, 0644, 0, 0);
    }
    reload(*system);
    m_out << "Webbeskyttelsen er installeret (" << systemName(*system) << ").\n";
}

void DnsHelper::remove() {
    const std::optional<std::vector<PathSnapshot>> installed = PathSnapshot::load(m_paths.stateFolder);
    if (!installed) {
        m_out << "Webbeskyttelsen er ikke installeret; intet at fjerne.\n";
        return;
    }
    for (auto snapshot = installed->rbegin(); snapshot != installed->rend(); ++snapshot) {
        snapshot->restore();
    }
    PathSnapshot::discard(m_paths.stateFolder);
    if (const std::optional<ResolverSystem> system = systemFromManifest(*installed)) {
        reload(*system);
    }
    m_out << "Webbeskyttelsen er fjernet, og de tidligere indstillinger er sat tilbage.\n";
}

void DnsHelper::status() {
    const std::optional<std::vector<PathSnapshot>> installed = PathSnapshot::load(m_paths.stateFolder);
    const std::optional<ResolverSystem> system = installed ? systemFromManifest(*installed) : std::nullopt;
    m_out << (system ? std::string("installed ") + systemName(*system) : std::string("not-installed"))
          << "\n";
}

} // namespace molvena::dnshelper
