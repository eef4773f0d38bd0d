// molvena-dns-helper: the one part of Molvena that runs as root. The app starts it through polkit
// (pkexec and the action dk.molvena.dns-helper) to point the computer's name service at the
// protective resolver, or to put back what was there. Anyone can start it, so it takes nothing from
// its caller but one of its operations: the resolver comes from the package's root-owned file.

#include "DnsHelper.h"
#include "HelperError.h"

#include <sys/auxv.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <iostream>
#include <string>
#include <vector>

using namespace molvena::dnshelper;

namespace {

const char* const kUsage = "Brug: molvena-dns-helper install | remove | status";

// A folder standing in for "/" exists for the tests and a development build's direct launch only:
// started through pkexec, or with more rights than its caller, the helper honours no path at all.
bool testRootAllowed() {
#ifdef MOLVENA_HELPER_TEST_ROOT
    return std::getenv("PKEXEC_UID") == nullptr && ::getuid() == ::geteuid() && ::getauxval(AT_SECURE) == 0;
#else
    return false;
#endif
}

int run(const std::vector<std::string>& arguments) {
    std::string root = "/";
    std::size_t next = 0;
    if (arguments.size() == 3 && arguments[0] == "--root") {
        if (!testRootAllowed()) {
            throw HelperError(
                ExitStatus::notPermitted,
                "--root gælder kun for en udviklingsversion, der startes direkte; den afvises.");
        }
        root = arguments[1];
        next = 2;
    }
    if (arguments.size() != next + 1) {
        throw HelperError(ExitStatus::usage, kUsage);
    }
    const std::string& operation = arguments[next];
    if (operation != "install" && operation != "remove" && operation != "status") {
        throw HelperError(ExitStatus::usage, "Ukendt handling \"" + operation + "\". " + kUsage);
    }
    const bool testRoot = root != "/";
    if (!testRoot && ::geteuid() != 0 && operation != "status") {
        throw HelperError(ExitStatus::notPermitted,
                          "molvena-dns-helper skal køre som root; Molvena starter den gennem pkexec.");
    }
    // Under a test root the resolver file may belong to the caller; for the system only to root.
    DnsHelper helper(HelperPaths::under(root), testRoot ? ::getuid() : 0, std::cout);
    if (operation == "install") {
        helper.install();
    } else if (operation == "remove") {
        helper.remove();
    } else {
        helper.status();
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    ::umask(022);
    try {
        return run(std::vector<std::string>(argv + 1, argv + argc));
    } catch (const HelperError& error) {
        std::cerr << error.what() << "\n";
        return int(error.status());
    } catch (const std::exception& error) {
        std::cerr << "molvena-dns-helper: " << error.what() << "\n";
        return int(ExitStatus::writeFailed);
    }
}
