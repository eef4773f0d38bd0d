#include "OnlineCheck.h"

#include <QHostAddress>
#include <QNetworkInterface>

namespace molvena {

bool systemIsOnlineFor(const QUrl& target) {
    const QString host = target.host().toLower();
    if (host == QLatin1String("localhost") || host.endsWith(QLatin1String(".localhost"))) {
        return true;
    }
    if (const QHostAddress address(host); !address.isNull() && address.isLoopback()) {
        return true;
    }
    const QList<QNetworkInterface> interfaces = QNetworkInterface::allInterfaces();
    for (const QNetworkInterface& interface : interfaces) {
        const auto flags = interface.flags();
        if (!flags.testFlag(QNetworkInterface::IsUp) || !flags.testFlag(QNetworkInterface::IsRunning) ||
            flags.testFlag(QNetworkInterface::IsLoopBack)) {
            continue;
        }
        const QList<QNetworkAddressEntry> entries = interface.addressEntries();
        for (const QNetworkAddressEntry& entry : entries) {
            if (!entry.ip().isNull() && !entry.ip().isLoopback() && !entry.ip().isLinkLocal()) {
                return true;
            }
        }
    }
    return false;
}

} // namespace molvena
