#include "AppSession.h"

#include "app/PublishedField.h"

#include <QUuid>

namespace molvena {

namespace {
const QString kRole = QStringLiteral("macRole");
const QString kSetupComplete = QStringLiteral("macSetupComplete");
const QString kPlayerName = QStringLiteral("playerName");
const QString kPlayerEmail = QStringLiteral("playerEmail");
const QString kMasterPIN = QStringLiteral("masterPIN");
const QString kLastGamblingDate = QStringLiteral("lastGamblingDate");
const QString kDeviceToken = QStringLiteral("deviceToken");
const QString kPairingCode = QStringLiteral("pairingCode");
const QString kGamblingLocationType = QStringLiteral("gamblingLocationType");
const QString kGamblingGameTypes = QStringLiteral("gamblingGameTypes");
const QString kMonthlySpendDKK = QStringLiteral("monthlySpendDKK");
const QString kRelativePairingToken = QStringLiteral("relativePairingToken");
const QString kSupportContactsStr = QStringLiteral("supportContactsStr");
} // namespace

AppSession::AppSession(PreferenceStore& store, QObject* parent) : QObject(parent), m_store(store) {
    m_role = userRoleFromRaw(m_store.text(kRole, QStringLiteral("none")));
    m_isSetupComplete = m_store.boolean(kSetupComplete);
    if (m_store.text(kDeviceToken).isEmpty()) {
        const QString uuid = QUuid::createUuid().toString(QUuid::WithoutBraces).toLower();
        m_store.setValue(kDeviceToken, QStringLiteral("mac-") + uuid);
    }
}

const QStringList& AppSession::resetKeys() {
    static const QStringList keys = {
        kRole,
        kSetupComplete,
        kPlayerName,
        kPlayerEmail,
        kMasterPIN,
        kLastGamblingDate,
        kPairingCode,
        kRelativePairingToken,
        kGamblingLocationType,
        kGamblingGameTypes,
        kMonthlySpendDKK,
        kSupportContactsStr,
        QStringLiteral("hasEverActivatedMacProtection"),
        QStringLiteral("macProtectionActive"),
        QStringLiteral("macExternalRemovalAlertSent"),
        QStringLiteral("macLastRemovalReason"),
        QStringLiteral("macLastHealthyAt"),
        QStringLiteral("macLastKnownFilterActive"),
        QStringLiteral("macLastKnownLaunchAtLoginActive"),
        QStringLiteral("macLastKnownDNSActive"),
        QStringLiteral("macLastKnownVPNActive"),
        QStringLiteral("macDNSLastKnownActive"),
        QStringLiteral("macDNSLastHealthyAt"),
    };
    return keys;
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
    return m_store.text(kPlayerName);
}
QString AppSession::playerEmail() const {
    return m_store.text(kPlayerEmail);
}
QString AppSession::masterPIN() const {
    return m_store.text(kMasterPIN);
}
double AppSession::lastGamblingDate() const {
    return m_store.real(kLastGamblingDate);
}
QString AppSession::deviceToken() const {
    return m_store.text(kDeviceToken);
}
QString AppSession::pairingCode() const {
    return m_store.text(kPairingCode);
}
QString AppSession::gamblingLocationType() const {
    return m_store.text(kGamblingLocationType);
}
QString AppSession::gamblingGameTypes() const {
    return m_store.text(kGamblingGameTypes);
}
double AppSession::monthlySpendDKK() const {
    return m_store.real(kMonthlySpendDKK);
}
QString AppSession::relativePairingToken() const {
    return m_store.text(kRelativePairingToken);
}
QString AppSession::supportContactsStr() const {
    return m_store.text(kSupportContactsStr);
}

void AppSession::writePersisted(const QString& key, const QVariant& value, void (AppSession::*changed)()) {
    m_store.setValue(key, value);
    emit(this->*changed)();
}

void AppSession::setPlayerName(const QString& value) {
    writePersisted(kPlayerName, value, &AppSession::playerNameChanged);
}
void AppSession::setPlayerEmail(const QString& value) {
    writePersisted(kPlayerEmail, value, &AppSession::playerEmailChanged);
}
void AppSession::setMasterPIN(const QString& value) {
    writePersisted(kMasterPIN, value, &AppSession::masterPINChanged);
}
void AppSession::setLastGamblingDate(double value) {
    writePersisted(kLastGamblingDate, value, &AppSession::lastGamblingDateChanged);
}
void AppSession::setPairingCode(const QString& value) {
    writePersisted(kPairingCode, value, &AppSession::pairingCodeChanged);
}
void AppSession::setGamblingLocationType(const QString& value) {
    writePersisted(kGamblingLocationType, value, &AppSession::gamblingLocationTypeChanged);
}
void AppSession::setGamblingGameTypes(const QString& value) {
    writePersisted(kGamblingGameTypes, value, &AppSession::gamblingGameTypesChanged);
}
void AppSession::setMonthlySpendDKK(double value) {
    writePersisted(kMonthlySpendDKK, value, &AppSession::monthlySpendDKKChanged);
}
void AppSession::setRelativePairingToken(const QString& value) {
    writePersisted(kRelativePairingToken, value, &AppSession::relativePairingTokenChanged);
}
void AppSession::setSupportContactsStr(const QString& value) {
    writePersisted(kSupportContactsStr, value, &AppSession::supportContactsStrChanged);
}

void AppSession::selectRole(UserRole role) {
    m_store.setValue(kRole, rawValue(role));
    setRole(role);
}

void AppSession::completeSetup() {
    m_store.setValue(kSetupComplete, true);
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
    m_store.setValue(kSetupComplete, true);
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
    m_store.setValue(kRole, rawValue(UserRole::none));
    m_store.setValue(kSetupComplete, false);
}

} // namespace molvena
