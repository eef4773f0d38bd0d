#include "DeviceNames.h"

namespace molvena {

DeviceNames DeviceNames::mac() {
    return {.noun = QStringLiteral("Mac"),
            .definite = QStringLiteral("Mac'en"),
            .genitive = QStringLiteral("Mac'ens"),
            .platform = QStringLiteral("Mac"),
            .browsers = QStringLiteral("Chrome og Safari")};
}

DeviceNames DeviceNames::linuxComputer() {
    return {.noun = QStringLiteral("computer"),
            .definite = QStringLiteral("computeren"),
            .genitive = QStringLiteral("computerens"),
            .platform = QStringLiteral("Linux"),
            .browsers = QStringLiteral("Chrome og Firefox")};
}

DeviceNames DeviceNames::forThisSystem() {
#ifdef Q_OS_MACOS
    return mac();
#else
    return linuxComputer();
#endif
}

} // namespace molvena
