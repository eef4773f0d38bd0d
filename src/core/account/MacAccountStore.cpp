#include "MacAccountStore.h"

#include "app/PublishedField.h"
#include "app/TextInput.h"
#include "backend/APIClient.h"
#include "backend/Error.h"
#include "platform/DeviceNames.h"
#include "session/AppSession.h"
#include "session/PreferenceKeys.h"
#include "session/PreferenceStore.h"

#include <QPointer>

#include <algorithm>

namespace molvena {

namespace {

const QString kTryAgain = QStringLiteral("Kunne ikke kontakte Molvena. Prøv igen om et øjeblik.");
// What the system says when it has nothing better to say; shown as kTryAgain.
const QString kGenericSystemDescription = QStringLiteral("The operation couldn\u2019t be completed.");

const QString kPINMustBeFourDigits = QStringLiteral("PIN skal bestå af præcis 4 cifre.");
const QString kEnterMasterPIN = QStringLiteral("Indtast din 4-cifrede Master PIN.");
const QString kAmountOutOfRange = QStringLiteral("Beløbet er uden for det tilladte interval.");
const QString kNameAndPhoneNeeded = QStringLiteral("Skriv både navn og telefonnummer.");

const QString kContactsSaved = QStringLiteral("Dit støttenetværk er opdateret.");
const QString kPINChanged = QStringLiteral("Din Master PIN er opdateret.");
const QString kSpendSaved = QStringLiteral("Dit månedlige beløb er gemt.");
const QString kMacRemoved =
    QStringLiteral("Denne %1 er fjernet fra din konto.").arg(DeviceNames::forThisSystem().noun);

} // namespace

MacAccountStore::MacAccountStore(const APIClient& api, PreferenceStore& defaults, QObject* parent)
    : QObject(parent), m_api(api), m_defaults(defaults) {}

// ---------------------------------------------------------------------------------------------
// Published state

QVariantMap MacAccountStore::profileMap() const {
    if (!m_profile) {
        return {};
    }
    const MacAccountProfile& profile = *m_profile;
    QVariantMap map{{QStringLiteral("name"), profile.name},
                    {QStringLiteral("email"), profile.email},
                    {QStringLiteral("masterPIN"), profile.masterPIN},
                    {QStringLiteral("pairingCode"), profile.pairingCode},
                    {QStringLiteral("supportContacts"), profile.supportContacts}};
    if (profile.monthlySpendDKK) {
        map.insert(QStringLiteral("monthlySpendDKK"), *profile.monthlySpendDKK);
    }
    if (profile.lastGamblingDate) {
        map.insert(QStringLiteral("lastGamblingDate"), *profile.lastGamblingDate);
    }
    if (profile.gamblingLocationType) {
        map.insert(QStringLiteral("gamblingLocationType"), *profile.gamblingLocationType);
    }
    if (profile.gamblingGameTypes) {
        map.insert(QStringLiteral("gamblingGameTypes"), *profile.gamblingGameTypes);
    }
    return map;
}

QVariantList MacAccountStore::historyList() const {
    QVariantList list;
    list.reserve(m_history.size());
    for (const MacHistoryItem& item : m_history) {
        list.append(QVariantMap{{QStringLiteral("id"), item.id},
                                {QStringLiteral("type"), item.type},
                                {QStringLiteral("title"), item.title},
                                {QStringLiteral("subtitle"), item.subtitle.value_or(QString())},
                                {QStringLiteral("domain"), item.domain.value_or(QString())},
                                {QStringLiteral("createdAt"), item.createdAt}});
    }
    return list;
}

QList<MacEmergencyContact> MacAccountStore::emergencyContacts() const {
    return MacEmergencyContact::listFrom(m_profile ? m_profile->supportContacts
                                                   : m_defaults.text(preferenceKeys::supportContactsStr));
}

QVariantList MacAccountStore::emergencyContactList() const {
    QVariantList list;
    for (const MacEmergencyContact& contact : emergencyContacts()) {
        list.append(contact.toVariantMap());
    }
    return list;
}

QStringList MacAccountStore::rawContacts() const {
    QStringList entries;
    for (const MacEmergencyContact& contact : emergencyContacts()) {
        entries.append(contact.raw);
    }
    return entries;
}

void MacAccountStore::setProfile(const MacAccountProfile& profile) {
    if (publish(*this, m_profile, std::optional(profile), &MacAccountStore::profileChanged)) {
        emit emergencyContactsChanged();
    }
}

void MacAccountStore::setHistory(const QList<MacHistoryItem>& history) {
    publish(*this, m_history, history, &MacAccountStore::historyChanged);
}

void MacAccountStore::setIsLoadingProfile(bool loading) {
    publish(*this, m_isLoadingProfile, loading, &MacAccountStore::isLoadingProfileChanged);
}

void MacAccountStore::setIsLoadingHistory(bool loading) {
    publish(*this, m_isLoadingHistory, loading, &MacAccountStore::isLoadingHistoryChanged);
}

void MacAccountStore::setIsSaving(bool saving) {
    publish(*this, m_isSaving, saving, &MacAccountStore::isSavingChanged);
}

void MacAccountStore::setLastError(const QString& text) {
    publish(*this, m_lastError, text, &MacAccountStore::lastErrorChanged);
}

void MacAccountStore::setLastMessage(const QString& text) {
    publish(*this, m_lastMessage, text, &MacAccountStore::lastMessageChanged);
}

void MacAccountStore::clearMessages() {
    setLastError({});
    setLastMessage({});
}

// ---------------------------------------------------------------------------------------------
// Rules

QString MacAccountStore::userMessage(const QString& description) {
    if (description.isEmpty() || description == kGenericSystemDescription) {
        return kTryAgain;
    }
    return description;
}

QString MacAccountStore::userMessage(const Error& error) {
    return userMessage(error.description());
}

QString MacAccountStore::userMessage(const std::exception_ptr& failure) {
    try {
        std::rethrow_exception(failure);
    } catch (const Error& error) {
        return userMessage(error);
    } catch (...) {
        // Anything else is no failure a person could act on.
        return kTryAgain;
    }
}

bool MacAccountStore::isFourDigitPIN(const QString& pin) {
    return textInput::visibleLength(pin) == 4 && textInput::isAllNumeric(pin);
}

QString MacAccountStore::cleanedContactField(const QString& text) {
    QString cleaned = text.trimmed();
    cleaned.replace(MacEmergencyContact::entrySeparator, QStringLiteral(" "));
    cleaned.replace(MacEmergencyContact::fieldSeparator, QStringLiteral(" "));
    return cleaned;
}

// ---------------------------------------------------------------------------------------------
// Loading

QCoro::Task<> MacAccountStore::loadProfile(AppSession& session) {
    const QString deviceToken = session.deviceToken();
    if (deviceToken.isEmpty()) {
        co_return;
    }
    const QPointer<MacAccountStore> self(this);
    const QPointer<AppSession> liveSession(&session);
    setIsLoadingProfile(true);
    setLastError({});

    std::optional<MacAccountProfile> received;
    std::exception_ptr failure;
    try {
        received = co_await m_api.fetchAccountProfile(deviceToken);
    } catch (...) {
        failure = std::current_exception();
    }
    if (!self) {
        co_return;
    }
    if (failure) {
        setLastError(userMessage(failure));
        setIsLoadingProfile(false);
        co_return;
    }

    setProfile(*received);
    if (liveSession) {
        const PreferenceStore::Batch batch(m_defaults);
        session.setPlayerName(received->name);
        session.setPlayerEmail(received->email);
        session.setMasterPIN(received->masterPIN);
        session.setPairingCode(received->pairingCode);
        session.setSupportContactsStr(received->supportContacts);
        if (received->monthlySpendDKK) {
            session.setMonthlySpendDKK(double(*received->monthlySpendDKK));
        }
        if (received->lastGamblingDate && *received->lastGamblingDate > 0) {
            session.setLastGamblingDate(*received->lastGamblingDate);
        }
        if (received->gamblingLocationType) {
            session.setGamblingLocationType(*received->gamblingLocationType);
        }
        if (received->gamblingGameTypes) {
            session.setGamblingGameTypes(*received->gamblingGameTypes);
        }
    }
    setIsLoadingProfile(false);
}

QCoro::Task<> MacAccountStore::loadHistory(QString deviceToken) {
    if (deviceToken.isEmpty()) {
        co_return;
    }
    const QPointer<MacAccountStore> self(this);
    setIsLoadingHistory(true);
    setLastError({});

    std::optional<QList<MacHistoryItem>> received;
    std::exception_ptr failure;
    try {
        received = co_await m_api.fetchAccountHistory(deviceToken);
    } catch (...) {
        failure = std::current_exception();
    }
    if (!self) {
        co_return;
    }
    if (failure) {
        setLastError(userMessage(failure));
    } else {
        setHistory(*received);
    }
    setIsLoadingHistory(false);
}

// ---------------------------------------------------------------------------------------------
// Changes

void MacAccountStore::beginChange() {
    setIsSaving(true);
    setLastError({});
    setLastMessage({});
}

void MacAccountStore::failChange(const std::exception_ptr& failure) {
    setLastError(userMessage(failure));
    setIsSaving(false);
}

QCoro::Task<bool> MacAccountStore::finishChange(QString successText, QPointer<AppSession> session,
                                                bool reloadProfile) {
    const QPointer<MacAccountStore> self(this);
    setLastMessage(successText);
    // The reload's own failure stays in lastError beside the success text; the change stands.
    if (reloadProfile && session) {
        co_await loadProfile(*session);
        if (!self) {
            co_return true;
        }
    }
    setIsSaving(false);
    co_return true;
}

// Each change below follows one frame: check the input, beginChange, the backend call with the
// session's device token, then failChange, or the local change and finishChange. The frame is spelt
// out in each rather than passed as callables: GCC 12 destroys callable temporaries handed to a
// coroutine twice.

QCoro::Task<bool> MacAccountStore::saveContacts(QString contactString, QString pin, AppSession& session) {
    const QPointer<MacAccountStore> self(this);
    const QPointer<AppSession> liveSession(&session);
    beginChange();
    std::exception_ptr failure;
    try {
        co_await m_api.updateSupportContacts(session.deviceToken(), contactString, pin);
    } catch (...) {
        failure = std::current_exception();
    }
    if (!self) {
        co_return !failure;
    }
    if (failure) {
        failChange(failure);
        co_return false;
    }
    if (liveSession) {
        liveSession->setSupportContactsStr(contactString);
    }
    if (!m_profile) {
        emit emergencyContactsChanged();
    }
    co_return co_await finishChange(kContactsSaved, liveSession, true);
}

QCoro::Task<bool> MacAccountStore::addContact(QString name, QString phone, AppSession& session) {
    const QString cleanedName = cleanedContactField(name);
    const QString cleanedPhone = cleanedContactField(phone);
    if (cleanedName.isEmpty() || cleanedPhone.isEmpty()) {
        setLastError(kNameAndPhoneNeeded);
        co_return false;
    }
    QStringList entries = rawContacts();
    const QString entry = cleanedName + MacEmergencyContact::fieldSeparator + cleanedPhone;
    // An entry that is already there is saved unchanged all the same: the user sees it confirmed.
    if (!entries.contains(entry)) {
        entries.append(entry);
    }
    const QString contactString = entries.join(MacEmergencyContact::entrySeparator);
    const QString noPIN;
    co_return co_await saveContacts(contactString, noPIN, session);
}

QCoro::Task<bool> MacAccountStore::removeContact(MacEmergencyContact contact, QString pin,
                                                 AppSession& session) {
    // Only the length is checked here; the backend judges the PIN itself.
    if (textInput::visibleLength(pin) != 4) {
        setLastError(kEnterMasterPIN);
        co_return false;
    }
    QStringList entries = rawContacts();
    entries.removeAll(contact.raw);
    const QString contactString = entries.join(MacEmergencyContact::entrySeparator);
    co_return co_await saveContacts(contactString, pin, session);
}

QCoro::Task<bool> MacAccountStore::changeMasterPIN(QString currentPIN, QString newPIN, AppSession& session) {
    if (!isFourDigitPIN(currentPIN) || !isFourDigitPIN(newPIN)) {
        setLastError(kPINMustBeFourDigits);
        co_return false;
    }
    const QPointer<MacAccountStore> self(this);
    const QPointer<AppSession> liveSession(&session);
    beginChange();
    std::exception_ptr failure;
    try {
        co_await m_api.updateMasterPIN(session.deviceToken(), currentPIN, newPIN);
    } catch (...) {
        failure = std::current_exception();
    }
    if (!self) {
        co_return !failure;
    }
    if (failure) {
        failChange(failure);
        co_return false;
    }
    if (liveSession) {
        liveSession->setMasterPIN(newPIN);
    }
    co_return co_await finishChange(kPINChanged, liveSession, true);
}

QCoro::Task<bool> MacAccountStore::saveMonthlySpend(qint64 amountDKK, AppSession& session) {
    if (amountDKK < 0 || amountDKK > maximumMonthlySpendDKK) {
        setLastError(kAmountOutOfRange);
        co_return false;
    }
    const QPointer<MacAccountStore> self(this);
    const QPointer<AppSession> liveSession(&session);
    beginChange();
    std::exception_ptr failure;
    try {
        co_await m_api.updateMonthlySpend(session.deviceToken(), amountDKK);
    } catch (...) {
        failure = std::current_exception();
    }
    if (!self) {
        co_return !failure;
    }
    if (failure) {
        failChange(failure);
        co_return false;
    }
    if (liveSession) {
        liveSession->setMonthlySpendDKK(double(amountDKK));
    }
    co_return co_await finishChange(kSpendSaved, liveSession, true);
}

QCoro::Task<bool> MacAccountStore::removeThisMac(QString pin, AppSession& session) {
    if (!isFourDigitPIN(pin)) {
        setLastError(kEnterMasterPIN);
        co_return false;
    }
    const QPointer<MacAccountStore> self(this);
    const QPointer<AppSession> liveSession(&session);
    beginChange();
    std::exception_ptr failure;
    try {
        co_await m_api.removeDevice(session.deviceToken(), pin);
    } catch (...) {
        failure = std::current_exception();
    }
    if (!self) {
        co_return !failure;
    }
    if (failure) {
        failChange(failure);
        co_return false;
    }
    // Nothing changes here: what becomes of the session is the caller's decision.
    const bool finished = co_await finishChange(kMacRemoved, liveSession, false);
    if (self) {
        emit thisMacRemoved(kMacRemoved);
    }
    co_return finished;
}

} // namespace molvena
