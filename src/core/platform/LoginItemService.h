#pragma once

#include <QString>

#include <optional>

namespace molvena {

// Why the login-item service refused a request.
struct LoginItemError {
    int code = 0;
    QString description; // readable by the user
};

// The operating system's service that starts this application at every log-in.
class LoginItemService {
public:
    // The status values, numbered as the Mac's service numbers them; an adapter may hand back any
    // other number when it cannot tell.
    enum Status : int { notRegistered = 0, enabled = 1, requiresApproval = 2, notFound = 3 };

    // Code of the refusal that only means "the user has to allow this first".
    static constexpr int notPermittedCode = 1;

    virtual ~LoginItemService() = default;

    virtual int status() const = 0;
    // Where the running application lives (for the diagnostic log).
    virtual QString applicationPath() const = 0;
    // Whether it runs from the place it is installed to, from which it can be registered (on a Mac
    // /Applications, neither translocated nor on a read-only volume). There the Mac's service says
    // "not found" for an app that has simply never registered.
    virtual bool runsFromInstallLocation() const { return false; }
    // Both return nothing on success.
    virtual std::optional<LoginItemError> registerApplication() = 0;
    virtual std::optional<LoginItemError> unregisterApplication() = 0;
    // Shows the place where the user allows or removes login items; false when nothing opened.
    virtual bool openLoginItemsSettings() = 0;
};

} // namespace molvena
