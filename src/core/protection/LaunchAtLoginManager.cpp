#include "LaunchAtLoginManager.h"

#include "app/DebugLog.h"
#include "app/PublishedField.h"

#include <QFileInfo>
#include <QUrl>

namespace molvena {

namespace {
const char* const kCategory = "LOGIN";
QString flag(bool value) {
    return value ? QStringLiteral("true") : QStringLiteral("false");
}
} // namespace

LaunchAtLoginManager::LaunchAtLoginManager(LoginItemService& loginItems, Workspace& workspace,
                                           LoginItemTexts texts, QObject* parent)
    : QObject(parent), m_loginItems(loginItems), m_workspace(workspace), m_texts(std::move(texts)) {
    refresh();
}

QString LaunchAtLoginManager::statusName(int status) {
    switch (status) {
    case LoginItemService::notRegistered:
        return QStringLiteral("notRegistered");
    case LoginItemService::enabled:
        return QStringLiteral("enabled");
    case LoginItemService::requiresApproval:
        return QStringLiteral("requiresApproval");
    case LoginItemService::notFound:
        return QStringLiteral("notFound");
    default:
        return QStringLiteral("unknown(%1)").arg(status);
    }
}

void LaunchAtLoginManager::refresh() {
    const int status = m_loginItems.status();
    debugLog(kCategory, [&] {
        return QStringLiteral("refresh() | bundlePath=") + m_loginItems.applicationPath() +
               QStringLiteral(" SMAppService.status=") + statusName(status);
    });
    setDebugBypassActive(false);
    // The Mac's service says "not found" for an app in /Applications that has never registered
    // (and registers it when asked), so there "not found" offers the enable action; the texts about
    // moving the app stay for any other location and for a registration that failed.
    const bool neverRegistered = status == LoginItemService::notFound &&
                                 m_loginItems.runsFromInstallLocation() && !m_registrationFailedWhileNotFound;
    switch (neverRegistered ? int(LoginItemService::notRegistered) : status) {
    case LoginItemService::notRegistered:
        setFlags(false, false, true);
        setTexts(m_texts.notRegistered);
        break;
    case LoginItemService::enabled:
        setFlags(true, false, true);
        setTexts(m_texts.enabled);
        break;
    case LoginItemService::requiresApproval:
        setFlags(false, true, true);
        setTexts(m_texts.requiresApproval);
        break;
    case LoginItemService::notFound:
        setFlags(false, false, false);
        setTexts(m_texts.notFound);
        break;
    default:
        setFlags(false, false, false);
        setTexts(m_texts.unreadable);
        break;
    }
    debugLog(kCategory, [&] {
        return QStringLiteral("refresh result | enabled=") + flag(m_isEnabled) +
               QStringLiteral(" requiresApproval=") + flag(m_requiresApproval) +
               QStringLiteral(" available=") + flag(m_isAvailable) + QStringLiteral(" debugBypass=") +
               flag(m_debugBypassActive) + QStringLiteral(" status=") + m_statusText;
    });
}

void LaunchAtLoginManager::enable() {
    debugLog(kCategory, [] { return QStringLiteral("enable() register START"); });
    const std::optional<LoginItemError> error = m_loginItems.registerApplication();
    if (!error) {
        m_registrationFailedWhileNotFound = false;
        debugLog(kCategory, [] { return QStringLiteral("enable() register SUCCESS"); });
        refresh();
        return;
    }
    debugLog(kCategory, [&] {
        return QStringLiteral("enable() register FAILED: %1 (code %2)")
            .arg(error->description)
            .arg(error->code);
    });
    m_registrationFailedWhileNotFound = m_loginItems.status() == LoginItemService::notFound;
    refresh();
    // Code 1 only means the user has to approve first; the refreshed texts already say so.
    if (error->code != LoginItemService::notPermittedCode) {
        setTexts(QStringLiteral("Kunne ikke aktivere"), error->description);
    }
}

void LaunchAtLoginManager::disable() {
    const std::optional<LoginItemError> error = m_loginItems.unregisterApplication();
    refresh();
    if (error) {
        setTexts(QStringLiteral("Kunne ikke deaktivere"), error->description);
    }
}

bool LaunchAtLoginManager::openLoginItemsSettings() {
    return opened(m_loginItems.openLoginItemsSettings(), m_texts.settingsFallback);
}

bool LaunchAtLoginManager::openApplicationsFolder() {
    for (const QString& place : m_texts.installHelp) {
        if (m_workspace.openFolder(place) ||
            (QFileInfo(place).isFile() && m_workspace.openURL(QUrl::fromLocalFile(place)))) {
            return opened(true, {});
        }
    }
    return opened(false, m_texts.installFallback);
}

bool LaunchAtLoginManager::opened(bool success, const QString& fallback) {
    publish(*this, m_actionHelpText, success ? QString() : fallback,
            &LaunchAtLoginManager::actionHelpTextChanged);
    return success;
}

void LaunchAtLoginManager::setFlags(bool enabled, bool requiresApproval, bool available) {
    const bool wasSatisfied = isSatisfied();
    publish(*this, m_isEnabled, enabled, &LaunchAtLoginManager::isEnabledChanged);
    publish(*this, m_requiresApproval, requiresApproval, &LaunchAtLoginManager::requiresApprovalChanged);
    publish(*this, m_isAvailable, available, &LaunchAtLoginManager::isAvailableChanged);
    if (wasSatisfied != isSatisfied()) {
        emit isSatisfiedChanged();
    }
}

void LaunchAtLoginManager::setDebugBypassActive(bool active) {
    const bool wasSatisfied = isSatisfied();
    publish(*this, m_debugBypassActive, active, &LaunchAtLoginManager::debugBypassActiveChanged);
    if (wasSatisfied != isSatisfied()) {
        emit isSatisfiedChanged();
    }
}

void LaunchAtLoginManager::setTexts(const QString& status, const QString& detail) {
    publish(*this, m_statusText, status, &LaunchAtLoginManager::statusTextChanged);
    publish(*this, m_detailText, detail, &LaunchAtLoginManager::detailTextChanged);
}

} // namespace molvena
