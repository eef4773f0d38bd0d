#pragma once

#include "MacEmergencyContact.h"
#include "backend/MacAccountProfile.h"
#include "backend/MacHistoryItem.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QVariantList>
#include <QVariantMap>

#include <QCoro/QCoroTask>

#include <exception>
#include <optional>

namespace molvena {

class APIClient;
class AppSession;
class Error;
class PreferenceStore;

// The player's account on the backend as seen from this Mac: loads the profile and the history,
// keeps the session's copies of the account fields in step with the server, and carries out the
// account changes of the settings window. Input is checked before anything is sent; every outcome
// ends as one Danish text in lastError or lastMessage, nothing is thrown to the caller. The session
// is passed to each operation, not held.
class MacAccountStore : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool hasProfile READ hasProfile NOTIFY profileChanged)
    // The profile for QML: name, email, masterPIN, pairingCode, supportContacts, and, only when the
    // backend sent them, monthlySpendDKK, lastGamblingDate, gamblingLocationType, gamblingGameTypes.
    Q_PROPERTY(QVariantMap profile READ profileMap NOTIFY profileChanged)
    // Maps of id, type, title, subtitle, domain, createdAt (an absent subtitle or domain is empty).
    Q_PROPERTY(QVariantList history READ historyList NOTIFY historyChanged)
    Q_PROPERTY(bool isLoadingProfile READ isLoadingProfile NOTIFY isLoadingProfileChanged)
    Q_PROPERTY(bool isLoadingHistory READ isLoadingHistory NOTIFY isLoadingHistoryChanged)
    Q_PROPERTY(bool isSaving READ isSaving NOTIFY isSavingChanged)
    Q_PROPERTY(QString lastError READ lastError NOTIFY lastErrorChanged)
    Q_PROPERTY(QString lastMessage READ lastMessage NOTIFY lastMessageChanged)
    // Maps of raw, name, phone.
    Q_PROPERTY(QVariantList emergencyContacts READ emergencyContactList NOTIFY emergencyContactsChanged)

public:
    static constexpr qint64 maximumMonthlySpendDKK = 10'000'000;

    // `api` and `defaults` must outlive the store; `defaults` is the store the session writes, read
    // for the contacts while no profile has been loaded.
    MacAccountStore(const APIClient& api, PreferenceStore& defaults, QObject* parent = nullptr);

    const std::optional<MacAccountProfile>& profile() const { return m_profile; }
    const QList<MacHistoryItem>& history() const { return m_history; }
    bool hasProfile() const { return m_profile.has_value(); }
    QVariantMap profileMap() const;
    QVariantList historyList() const;
    bool isLoadingProfile() const { return m_isLoadingProfile; }
    bool isLoadingHistory() const { return m_isLoadingHistory; }
    bool isSaving() const { return m_isSaving; }
    QString lastError() const { return m_lastError; }
    QString lastMessage() const { return m_lastMessage; }

    // From the loaded profile's contact string, or before any profile from the session's copy.
    QList<MacEmergencyContact> emergencyContacts() const;
    QVariantList emergencyContactList() const;

    // Each operation reads the session's device token when it is called; the session must live
    // until the operation ends.
    QCoro::Task<> loadProfile(AppSession& session);
    QCoro::Task<> loadHistory(QString deviceToken);
    QCoro::Task<bool> addContact(QString name, QString phone, AppSession& session);
    QCoro::Task<bool> removeContact(MacEmergencyContact contact, QString pin, AppSession& session);
    QCoro::Task<bool> changeMasterPIN(QString currentPIN, QString newPIN, AppSession& session);
    QCoro::Task<bool> saveMonthlySpend(qint64 amountDKK, AppSession& session);
    // Clears nothing locally: what becomes of the session afterwards is the caller's decision.
    QCoro::Task<bool> removeThisMac(QString pin, AppSession& session);

    Q_INVOKABLE void clearMessages();

    // The Danish text shown for a failure: its description, or a plea to try again when the
    // description is empty or the system's generic one.
    static QString userMessage(const QString& description);
    static QString userMessage(const Error& error);
    static QString userMessage(const std::exception_ptr& failure);

    // Exactly four user-visible characters, each numeric.
    static bool isFourDigitPIN(const QString& pin);
    // A name or phone as addContact stores it: trimmed, with the separators "|" and "::" blanked.
    static QString cleanedContactField(const QString& text);

signals:
    void profileChanged();
    void historyChanged();
    void isLoadingProfileChanged();
    void isLoadingHistoryChanged();
    void isSavingChanged();
    void lastErrorChanged();
    void lastMessageChanged();
    void emergencyContactsChanged();
    // This Mac left the account; the screens that explained it go with the session.
    void thisMacRemoved(const QString& message);

private:
    QCoro::Task<bool> saveContacts(QString contactString, QString pin, AppSession& session);
    void failChange(const std::exception_ptr& failure);
    QCoro::Task<bool> finishChange(QString successText, QPointer<AppSession> session, bool reloadProfile);

    void setProfile(const MacAccountProfile& profile);
    void setHistory(const QList<MacHistoryItem>& history);
    void setIsLoadingProfile(bool loading);
    void setIsLoadingHistory(bool loading);
    void setIsSaving(bool saving);
    void setLastError(const QString& text);
    void setLastMessage(const QString& text);
    void beginChange();
    QStringList rawContacts() const;

    const APIClient& m_api;
    PreferenceStore& m_defaults;

    std::optional<MacAccountProfile> m_profile;
    QList<MacHistoryItem> m_history;
    bool m_isLoadingProfile = false;
    bool m_isLoadingHistory = false;
    bool m_isSaving = false;
    QString m_lastError;
    QString m_lastMessage;
};

} // namespace molvena
