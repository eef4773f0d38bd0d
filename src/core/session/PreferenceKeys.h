#pragma once

#include <QString>

// Every preference key the app reads or writes, in one place: the session, the protection monitor
// and the web-protection manager share several of them, and the session's reset removes most.
namespace molvena::preferenceKeys {

// The session's own keys.
inline const QString macRole = QStringLiteral("macRole");
inline const QString macSetupComplete = QStringLiteral("macSetupComplete");
inline const QString playerName = QStringLiteral("playerName");
inline const QString playerEmail = QStringLiteral("playerEmail");
inline const QString masterPIN = QStringLiteral("masterPIN");
inline const QString lastGamblingDate = QStringLiteral("lastGamblingDate");
inline const QString deviceToken = QStringLiteral("deviceToken");
inline const QString pairingCode = QStringLiteral("pairingCode");
inline const QString gamblingLocationType = QStringLiteral("gamblingLocationType");
inline const QString gamblingGameTypes = QStringLiteral("gamblingGameTypes");
inline const QString monthlySpendDKK = QStringLiteral("monthlySpendDKK");
inline const QString relativePairingToken = QStringLiteral("relativePairingToken");
inline const QString supportContactsStr = QStringLiteral("supportContactsStr");

// The protection monitor's.
inline const QString hasEverActivatedMacProtection = QStringLiteral("hasEverActivatedMacProtection");
inline const QString macProtectionActive = QStringLiteral("macProtectionActive");
inline const QString macExternalRemovalAlertSent = QStringLiteral("macExternalRemovalAlertSent");
inline const QString macLastRemovalReason = QStringLiteral("macLastRemovalReason");
inline const QString macLastHealthyAt = QStringLiteral("macLastHealthyAt");
inline const QString macLastKnownFilterActive = QStringLiteral("macLastKnownFilterActive");
inline const QString macLastKnownLaunchAtLoginActive = QStringLiteral("macLastKnownLaunchAtLoginActive");
inline const QString macLastKnownDNSActive = QStringLiteral("macLastKnownDNSActive"); // also web protection's
inline const QString macLastKnownVPNActive = QStringLiteral("macLastKnownVPNActive");
// The browsers already reported for resolving names around the web protection, "|"-separated.
inline const QString macBrowserBypassAlerted = QStringLiteral("macBrowserBypassAlerted");

// The web-protection manager's.
inline const QString macDNSLastKnownActive = QStringLiteral("macDNSLastKnownActive");
inline const QString macDNSLastHealthyAt = QStringLiteral("macDNSLastHealthyAt");
inline const QString macDNSProfileWasRequested = QStringLiteral("macDNSProfileWasRequested");
inline const QString macDNSProfileRequestedAt = QStringLiteral("macDNSProfileRequestedAt");

// The blocked-domain count's cache, kept across a reset.
inline const QString cachedBlockedDomainsCount = QStringLiteral("cachedBlockedDomainsCount");

} // namespace molvena::preferenceKeys
