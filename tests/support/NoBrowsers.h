#pragma once

#include "platform/BrowserLocations.h"

namespace molvena::test {

// A system without any browser the app knows, so a test never reads the tester's own profiles.
class NoBrowsers : public BrowserLocations {
public:
    QList<BrowserInstallation> installations() const override { return {}; }
};

} // namespace molvena::test
