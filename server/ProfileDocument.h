#pragma once

#include <QByteArray>
#include <QString>

namespace molvena::server {

// The per-device DNS configuration profile (.mobileconfig, an XML property list) that points macOS
// at the protective resolver over DNS-over-HTTPS. Its identifiers are derived from the device token,
// so downloading it again and installing it replaces the earlier copy instead of adding a second.
class ProfileDocument {
public:
    static QByteArray mobileconfig(const QString& resolverHost, const QString& deviceToken);
};

} // namespace molvena::server
