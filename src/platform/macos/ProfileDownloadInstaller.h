#pragma once

#include "platform/WebProtectionInstaller.h"

namespace molvena {

// The Mac installs web protection as a DNS profile the user downloads and installs by hand in
// System Settings; the DNS protection manager fetches it, so there is nothing to run here.
class ProfileDownloadInstaller : public WebProtectionInstaller {
public:
    Method method() const override { return Method::profileDownload; }
    QCoro::Task<Outcome> install() override { co_return Outcome{Outcome::Kind::unsupported, {}}; }
    QCoro::Task<Outcome> remove() override { co_return Outcome{Outcome::Kind::unsupported, {}}; }
};

} // namespace molvena
