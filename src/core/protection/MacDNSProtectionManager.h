#pragma once

#include "HostLookup.h"
#include "MacDNSProtectionState.h"
#include "ProbeResult.h"
#include "app/Deployment.h"
#include "backend/APIClient.h"
#include "platform/Workspace.h"
#include "session/PreferenceStore.h"

#include <QDateTime>
#include <QFuture>
#include <QList>
#include <QNetworkAccessManager>
#include <QObject>
#include <QPromise>
#include <QString>
#include <QUrl>

#include <qcoro/qcorotask.h>

#include <chrono>
#include <memory>
#include <optional>

namespace molvena {

// How long the web-protection layer waits for the network.
struct DNSProtectionTimeouts {
    // A probe gives up when nothing moved for this long...
    std::chrono::milliseconds probeTransfer{5000};
    // ...and after this long in any case, its name lookup included, so a verification ends within
    // about two of these.
    std::chrono::milliseconds probeLimit{6000};
    // A lookup still unanswered after this long counts as "no name server answered".
    std::chrono::milliseconds lookup{4000};
    std::chrono::milliseconds profileDownload{20000};
};

// The web-protection layer: fetches this Mac's DNS profile for the browser to hand to the system,
// and verifies by probes whether gambling sites are blocked right now. Never fails towards its
// callers: anything it cannot decide becomes `unknown`.
class MacDNSProtectionManager : public QObject {
    Q_OBJECT
    Q_PROPERTY(QString state READ stateRawValue NOTIFY stateChanged)
    Q_PROPERTY(bool isActive READ isActive NOTIFY stateChanged)
    Q_PROPERTY(bool isChecking READ isChecking NOTIFY isCheckingChanged)
    Q_PROPERTY(bool isOpeningProfile READ isOpeningProfile NOTIFY isOpeningProfileChanged)
    Q_PROPERTY(QString statusText READ statusText NOTIFY statusTextChanged)
    Q_PROPERTY(QString detailText READ detailText NOTIFY detailTextChanged)
    Q_PROPERTY(QString lastError READ lastError NOTIFY lastErrorChanged)
    Q_PROPERTY(QDateTime lastCheckAt READ lastCheckAtOrInvalid NOTIFY lastCheckAtChanged)
    Q_PROPERTY(bool profileWasRequested READ profileWasRequested NOTIFY profileWasRequestedChanged)
    Q_PROPERTY(QUrl profileEndpoint READ profileEndpoint CONSTANT)
    Q_PROPERTY(QUrl canaryURL READ canaryURL CONSTANT)
    Q_PROPERTY(QList<QUrl> blockedDomainProbeURLs READ blockedDomainProbeURLs CONSTANT)

public:
    MacDNSProtectionManager(PreferenceStore& defaults, Workspace& workspace, QNetworkAccessManager& network,
                            const Deployment& deployment, DNSProtectionTimeouts timeouts = {},
                            HostLookup lookUp = lookUpHostWithSystemResolver, QObject* parent = nullptr);

    MacDNSProtectionState state() const { return m_state; }
    QString stateRawValue() const { return rawValue(m_state); }
    bool isActive() const { return m_state == MacDNSProtectionState::active; }
    bool isChecking() const { return m_isChecking; }
    bool isOpeningProfile() const { return m_isOpeningProfile; }
    QString statusText() const { return m_statusText; }
    QString detailText() const { return m_detailText; }
    QString lastError() const { return m_lastError; }
    std::optional<QDateTime> lastCheckAt() const { return m_lastCheckAt; }
    bool profileWasRequested() const { return m_profileWasRequested; }
    QUrl profileEndpoint() const { return m_profileEndpoint; }
    QUrl canaryURL() const { return m_canaryURL; }
    QList<QUrl> blockedDomainProbeURLs() const { return m_blockedDomainProbeURLs; }

    // Probes a fresh name under the canary zone, then (unless it does not exist) every probe site at
    // once. A call while one runs gets the result of a check that starts after it (one follow-up,
    // shared by everyone who asked meanwhile), never that of the check already running.
    QCoro::Task<MacDNSProtectionState> verify();
    // The canary zone with a fresh random label in front: no hosts file or cache can know the name,
    // so only a resolver that answers the whole zone NXDOMAIN (ours) makes it not exist.
    QUrl freshCanaryURL() const;
    // Fetches and checks this device's profile, then opens its download in the browser. True when
    // the browser took it.
    QCoro::Task<bool> requestProfile(QString deviceToken);
    // The download URL for a device token; none for a token of only white space.
    std::optional<QUrl> profileURL(const QString& deviceToken) const;
    // Looks the site's name up afresh, then sends one HEAD request to the address found (caches
    // defeated, over its own network session). A name that does not exist gives blocked
    // "cannotFindHost"; whether that proves anything is up to verify().
    QCoro::Task<ProbeResult> probe(QUrl url);
    // Records a verification that found blocking in force, with its diagnostic note.
    void markVerified(const QString& note);
    Q_INVOKABLE bool openProfilesSettings();

    // The text form of a result that is not `blocked`, as verification notes write it.
    static QString probeDescription(const ProbeResult& result);

signals:
    void stateChanged();
    void isCheckingChanged();
    void isOpeningProfileChanged();
    void statusTextChanged();
    void detailTextChanged();
    void lastErrorChanged();
    void lastCheckAtChanged();
    void profileWasRequestedChanged();

private:
    struct FinishedCheck {
        quint64 number = 0; // counts checks in the order they started
        MacDNSProtectionState state = MacDNSProtectionState::unknown;
    };

    QCoro::Task<MacDNSProtectionState> runVerification();
    // Finishes when the next check ends (or the manager goes). Each end hands waiters a fresh
    // future, so no waiter is woken twice however quickly checks follow each other.
    QFuture<void> nextCheckEnd();
    // Whether the control name resolves right now, which a failed lookup needs to count as blocked.
    QCoro::Task<bool> nameResolutionWorks();
    QDateTime lastCheckAtOrInvalid() const { return m_lastCheckAt.value_or(QDateTime()); }
    void setState(MacDNSProtectionState state);
    void setIsChecking(bool checking);
    bool recordsBelongToAPlayer() const;
    void setIsOpeningProfile(bool opening);
    void setTexts(const QString& status, const QString& detail);
    void setLastError(const QString& error);
    void setLastCheckAt(const QDateTime& at);
    void setProfileWasRequested(bool requested);
    void failProfileRequest(const QString& description, const QString& detail = QStringLiteral(
                                                            "Kontrollér internetforbindelsen og prøv igen."));

    PreferenceStore& m_defaults;
    Workspace& m_workspace;
    QNetworkAccessManager& m_network;
    DNSProtectionTimeouts m_timeouts;
    HostLookup m_lookUp;
    QString m_resolverHostName;
    QString m_controlHostName;

    MacDNSProtectionState m_state = MacDNSProtectionState::unknown;
    bool m_isChecking = false;
    quint64 m_checksStarted = 0;
    FinishedCheck m_lastFinished;
    std::unique_ptr<QPromise<void>> m_checkEnd;
    bool m_isOpeningProfile = false;
    QString m_statusText = QStringLiteral("Beskyttelsen er ikke kontrolleret");
    QString m_detailText = QStringLiteral("Installer Molvena-beskyttelsen og kontrollér, at den er aktiv.");
    QString m_lastError;
    std::optional<QDateTime> m_lastCheckAt;
    bool m_profileWasRequested = false;
    QUrl m_profileEndpoint;
    QUrl m_canaryURL;
    QList<QUrl> m_blockedDomainProbeURLs;
};

} // namespace molvena
