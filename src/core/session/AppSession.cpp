#include "AppSession.h"

#include "PreferenceKeys.h"
#include "app/PublishedField.h"

#include <QUuid>

namespace molvena {

namespace keys = preferenceKeys;

AppSession::AppSession(PreferenceStore& store, QObject* parent) : QObject(parent), m_store(store) {
    m_role = userRoleFromRaw(m_store.text(keys::macRole, QStringLiteral("none")));
    m_isSetupComplete = m_store.boolean(keys::macSetupComplete);
    if (m_store.text(keys::deviceToken).isEmpty()) {
        const QString uuid = QUuid::createUuid().toString(QUuid::WithoutBraces).toLower();
        m_store.setValue(keys::deviceToken, QStringLiteral("mac-") + uuid);
    }
}

const QStringList& AppSession::resetKeys() {
    static const QStringList removed = {
        keys::macRole,
        keys::macSetupComplete,
        keys::playerName,
        keys::playerEmail,
        keys::masterPIN,
        keys::lastGamblingDate,
        keys::pairingCode,
        keys::relativePairingToken,
        keys::gamblingLocationType,
        keys::gamblingGameTypes,
        keys::monthlySpendDKK,
        keys::supportContactsStr,
        keys::hasEverActivatedMacProtection,
        keys::macProtectionActive,
        keys::macExternalRemovalAlertSent,
        keys::macLastRemovalReason,
        keys::macLastHealthyAt,
        keys::macLastKnownFilterActive,
        keys::macLastKnownLaunchAtLoginActive,
        keys::macLastKnownDNSActive,
        keys::macLastKnownVPNActive,
        keys::macBrowserBypassAlerted,
        keys::macDNSLastKnownActive,
        keys::macDNSLastHealthyAt,
    };
    return removed;
}

void AppSession::setShowRecovery(bool show) {
    publish(*this, m_showRecovery, show, &AppSession::showRecoveryChanged);
}

void AppSession::setRole(UserRole role) {
    publish(*this, m_role, role, &AppSession::roleChanged);
}

void AppSession::setIsSetupComplete(bool complete) {
    publish(*this, m_isSetupComplete, complete, &AppSession::isSetupCompleteChanged);
}

void AppSession::setRecoveryRole(UserRole role) {
    publish(*this, m_recoveryRole, role, &AppSession::recoveryRoleChanged);
}

QString AppSession::playerName() const {
    return m_store.text(keys::playerName);
}
QString AppSession::playerEmail() const {
    return m_store.text(keys::playerEmail);
}
QString AppSession::masterPIN() const {
    return m_store.text(keys::masterPIN);
}
double AppSession::lastGamblingDate() const {
    return m_store.real(keys::lastGamblingDate);
}
QString AppSession::deviceToken() const {
    return m_store.text(keys::deviceToken);
}
QString AppSession::pairingCode() const {
    return m_store.text(keys::pairingCode);
}
QString AppSession::gamblingLocationType() const {
    return m_store.text(keys::gamblingLocationType);
}
QString AppSession::gamblingGameTypes() const {
    return m_store.text(keys::gamblingGameTypes);
}
double AppSession::monthlySpendDKK() const {
    return m_store.real(keys::monthlySpendDKK);
}
QString AppSession::relativePairingToken() const {
    return m_store.text(keys::relativePairingToken);
}
QString AppSession::supportContactsStr() const {
    return m_store.text(keys::supportContactsStr);
}

void AppSession::writePersisted(const QString& key, const QVariant& value, void (AppSession::*changed)()) {
    m_store.setValue(key, value);
    emit(this->*changed)();
}

void AppSession::setPlayerName(const QString& value) {
    writePersisted(keys::playerName, value, &AppSession::playerNameChanged);
}
void AppSession::setPlayerEmail(const QString& value) {
    writePersisted(keys::playerEmail, value, &AppSession::playerEmailChanged);
}
void AppSession::setMasterPIN(const QString& value) {
    writePersisted(keys::masterPIN, value, &AppSession::masterPINChanged);
}
void AppSession::setLastGamblingDate(double value) {
    writePersisted(keys::lastGamblingDate, value, &AppSession::lastGamblingDateChanged);
}
void AppSession::setPairingCode(const QString& value) {
    writePersisted(keys::pairingCode, value, &AppSession::pairingCodeChanged);
}
void AppSession::setGamblingLocationType(const QString& value) {
    writePersisted(keys::gamblingLocationType, value, &AppSession::gamblingLocationTypeChanged);
}
void AppSession::setGamblingGameTypes(const QString& value) {
    writePersisted(keys::gamblingGameTypes, value, &AppSession::gamblingGameTypesChanged);
}
void AppSession::setMonthlySpendDKK(double value) {
    writePersisted(keys::monthlySpendDKK, value, &AppSession::monthlySpendDKKChanged);
}
void AppSession::setRelativePairingToken(const QString& value) {
    writePersisted(keys::relativePairingToken, value, &AppSession::relativePairingTokenChanged);
}
void AppSession::setSupportContactsStr(const QString& value) {
    writePersisted(keys::supportContactsStr, value, &AppSession::supportContactsStrChanged);
}

void AppSession::selectRole(UserRole role) {
    m_store.setValue(keys::macRole, rawValue(role));
    setRole(role);
}

void AppSession::completeSetup() {
    m_store.setValue(keys::macSetupComplete, true);
    setIsSetupComplete(true);
}

void AppSession::beginRecovery(UserRole role) {
    setRecoveryRole(role);
    setShowRecovery(true);
}

void AppSession::applyRecovery(const RecoveryResult& result, UserRole role) {
    const PreferenceStore::Batch batch(m_store);
    if (role == UserRole::player) {
        if (result.name) {
            setPlayerName(*result.name);
        }
        if (result.email) {
            setPlayerEmail(*result.email);
        }
        if (result.masterPIN) {
            setMasterPIN(*result.masterPIN);
        }
        if (result.lastGamblingDate && *result.lastGamblingDate > 0) {
            setLastGamblingDate(*result.lastGamblingDate);
        }
        if (result.pairingCode && !result.pairingCode->isEmpty()) {
            setPairingCode(*result.pairingCode);
        }
        selectRole(UserRole::player);
    } else {
        if (result.pairingToken) {
            setRelativePairingToken(*result.pairingToken);
        }
        if (result.playerName) {
            setPlayerName(*result.playerName);
        }
        selectRole(UserRole::relative);
    }
    m_store.setValue(keys::macSetupComplete, true);
    setIsSetupComplete(true);
    setShowRecovery(false);
}

void AppSession::resetSession() {
    const PreferenceStore::Batch batch(m_store);
    setRole(UserRole::none);
    setIsSetupComplete(false);
    setShowRecovery(false);
    setRecoveryRole(UserRole::player);

    setPlayerName({});
    setPlayerEmail({});
    setMasterPIN({});
    setLastGamblingDate(0);
    setPairingCode({});
    setGamblingLocationType({});
    setGamblingGameTypes({});
    setMonthlySpendDKK(0);
    setRelativePairingToken({});
    setSupportContactsStr({});

    for (const QString& key : resetKeys()) {
        m_store.remove(key);
    }
    m_store.setValue(keys::macRole, rawValue(UserRole::none));
    m_store.setValue(keys::macSetupComplete, false);
}

} // namespace molvena
