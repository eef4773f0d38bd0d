#include "MacVPNDetector.h"

#include "app/PublishedField.h"

#include <array>

namespace molvena {

namespace {

// Tested in this order for each name before moving on to the next name.
const std::array<QLatin1String, 7> kTunnelPrefixes = {
    QLatin1String("utun"), QLatin1String("ppp"), QLatin1String("ipsec"),     QLatin1String("tun"),
    QLatin1String("tap"),  QLatin1String("wg"),  QLatin1String("tailscale"),
};

bool hasTunnelPrefix(const QString& name) {
    const QString lower = name.toLower();
    for (const QLatin1String prefix : kTunnelPrefixes) {
        if (lower.startsWith(prefix)) {
            return true;
        }
    }
    return false;
}

QString displayName(const QString& interfaceName) {
    const QString lower = interfaceName.toLower();
    if (lower.startsWith(QLatin1String("ipsec"))) {
        return QStringLiteral("IPSec VPN");
    }
    if (lower.startsWith(QLatin1String("wg"))) {
        return QStringLiteral("WireGuard VPN");
    }
    if (lower.startsWith(QLatin1String("tailscale"))) {
        return QStringLiteral("Tailscale");
    }
    return QStringLiteral("VPN"); // utun, ppp and anything else
}

} // namespace

MacVPNDetector::MacVPNDetector(NetworkPathMonitor& paths, Workspace& workspace, QObject* parent)
    : QObject(parent), m_paths(paths), m_workspace(workspace) {}

MacVPNDetector::Classification MacVPNDetector::classifyPath(const NetworkPath& path) {
    if (!path.usesOtherInterface) {
        return {};
    }
    const QStringList& names = path.otherInterfaceNames;
    if (names.isEmpty()) {
        return {true, QStringLiteral("VPN")};
    }
    QString picked = names.first();
    for (const QString& name : names) {
        if (hasTunnelPrefix(name)) {
            picked = name;
            break;
        }
    }
    return {true, displayName(picked)};
}

void MacVPNDetector::start() {
    if (m_isStarted) {
        return;
    }
    m_isStarted = true;
    // Queued: whatever thread the path arrives on, the fields change on this object's (main) thread,
    // and an update for a detector that is gone is dropped with the connection.
    connect(
        &m_paths, &NetworkPathMonitor::pathUpdated, this,
        [this](const NetworkPath& path) {
            apply(classifyPath(path));
            if (path.isUsable) {
                emit networkUsable();
            }
        },
        Qt::QueuedConnection);
    m_paths.start();
}

void MacVPNDetector::refreshNow() {
    if (m_isStarted) {
        apply(classifyPath(m_paths.currentPath()));
    }
}

bool MacVPNDetector::openNetworkSettings() {
    const bool opened = m_workspace.openNetworkSettings();
    publish(*this, m_settingsHelpText,
            opened ? QString()
                   : QStringLiteral("Molvena kunne ikke åbne netværksindstillingerne. Slå VPN-forbindelsen "
                                    "fra i systemets netværksmenu, og kontrollér igen."),
            &MacVPNDetector::settingsHelpTextChanged);
    return opened;
}

void MacVPNDetector::apply(const Classification& result) {
    if (result.isVPNActive != m_isVPNActive || result.name != m_vpnName) {
        m_lastChangeAt = QDateTime::currentDateTimeUtc();
        emit lastChangeAtChanged();
    }
    publish(*this, m_isVPNActive, result.isVPNActive, &MacVPNDetector::isVPNActiveChanged);
    if (result.isVPNActive) {
        publish(*this, m_vpnName, result.name.isEmpty() ? QStringLiteral("VPN") : result.name,
                &MacVPNDetector::vpnNameChanged);
        publish(*this, m_statusText, QStringLiteral("VPN registreret"), &MacVPNDetector::statusTextChanged);
        publish(
            *this, m_detailText,
            QStringLiteral("En VPN kan føre trafikken uden om Molvenas webbeskyttelse. Slå VPN fra for fuld "
                           "beskyttelse."),
            &MacVPNDetector::detailTextChanged);
    } else {
        publish(*this, m_vpnName, QString(), &MacVPNDetector::vpnNameChanged);
        publish(*this, m_statusText, QStringLiteral("Ingen VPN registreret"),
                &MacVPNDetector::statusTextChanged);
        publish(*this, m_detailText,
                QStringLiteral("Molvena kan bruge den installerede webbeskyttelse normalt."),
                &MacVPNDetector::detailTextChanged);
    }
}

} // namespace molvena
