#pragma once

#include <QString>

#include <qcoro/qcorotask.h>

namespace molvena {

// How this system puts the web protection in place. A Mac installs a DNS profile that the user
// downloads in the browser (the DNS protection manager fetches it); Linux points the system's name
// service at the protective resolver itself, with an administrator's approval each time.
class WebProtectionInstaller {
public:
    enum class Method { profileDownload, systemResolver };

    struct Outcome {
        enum class Kind {
            done,
            notApproved, // the administrator's approval was refused or dismissed
            unsupported, // this system's name service cannot be changed safely
            failed,
        };
        Kind kind = Kind::failed;
        QString detail; // what the system said, for the diagnostic line
    };

    virtual ~WebProtectionInstaller() = default;

    virtual Method method() const = 0;
    // Points the system at the protective resolver (systemResolver only).
    virtual QCoro::Task<Outcome> install() = 0;
    // Puts back what the system used before (systemResolver only).
    virtual QCoro::Task<Outcome> remove() = 0;
};

} // namespace molvena
