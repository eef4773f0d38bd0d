#pragma once

#include <stdexcept>
#include <string>

namespace molvena::dnshelper {

// Exit statuses the app tells apart (the values of <sysexits.h>).
enum class ExitStatus : int {
    ok = 0,
    usage = 64,             // an unknown operation or argument
    badResolverFile = 65,   // the package's resolver file is missing, not root's or invalid
    unsupportedSystem = 69, // something else rewrites the name-server settings
    writeFailed = 73,       // a file could not be written or restored
    notPermitted = 77,      // a development option asked for where it is not honoured
};

// A refusal or failure with the message the helper prints.
class HelperError : public std::runtime_error {
public:
    HelperError(ExitStatus status, const std::string& message)
        : std::runtime_error(message), m_status(status) {}
    ExitStatus status() const { return m_status; }

private:
    ExitStatus m_status;
};

} // namespace molvena::dnshelper
