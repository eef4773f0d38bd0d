#include "MacDNSProtectionManager.h"

#include "WebProtectionTexts.h"
#include "app/LaterDeleter.h"
#include "app/PublishedField.h"
#include "platform/DeviceNames.h"
#include "session/PreferenceKeys.h"

#include <QHostAddress>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPointer>
#include <QRandomGenerator>
#include <QStringDecoder>
#include <QTimer>
#include <QUrlQuery>
#include <QUuid>

#include <qcoro/qcorofuture.h>
#include <qcoro/qcoronetworkreply.h>

#include <algorithm>
#include <memory>
#include <vector>

namespace molvena {

namespace {

const QString kProfileFailed = QStringLiteral("Profilen kunne ikke hentes");
const QString kCannotFindHost = QStringLiteral("cannotFindHost");

double secondsSince1970(const QDateTime& at) {
    return double(at.toMSecsSinceEpoch()) / 1000.0;
}

void ignoreCaches(QNetworkRequest& request) {
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    request.setAttribute(QNetworkRequest::CacheSaveControlAttribute, false);
    // A redirect is an answer in itself; following one would carry our Host and TLS name elsewhere.
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
}

// A label no hosts file, cache or resolver can have seen: 24 characters of [a-z0-9], starting with a
// letter, so it is a valid host name label wherever it goes.
QString freshLabel() {
    static const char alphabet[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    QString label;
    label.reserve(24);
    QRandomGenerator* random = QRandomGenerator::system();
    label.append(QLatin1Char(alphabet[random->bounded(26)]));
    while (label.size() < 24) {
        label.append(QLatin1Char(alphabet[random->bounded(36)]));
    }
    return label;
}

} // namespace

MacDNSProtectionManager::MacDNSProtectionManager(PreferenceStore& defaults, Workspace& workspace,
                                                 QNetworkAccessManager& network, const Deployment& deployment,
                                                 DNSProtectionTimeouts timeouts, HostLookup lookUp,
                                                 QObject* parent)
    : QObject(parent), m_defaults(defaults), m_workspace(workspace), m_network(network), m_timeouts(timeouts),
      m_lookUp(std::move(lookUp)), m_resolverHostName(deployment.resolverHostName),
      m_controlHostName(deployment.apiBase.host()),
      m_profileEndpoint(deployment.apiBase.resolved(QUrl(QStringLiteral("get_profile_mac.php")))),
      m_canaryURL(deployment.canaryURL), m_blockedDomainProbeURLs(deployment.probeURLs) {
    if (!m_lookUp) {
        m_lookUp = lookUpHostWithSystemResolver;
    }
}

QString MacDNSProtectionManager::probeDescription(const ProbeResult& result) {
    switch (result.kind) {
    case ProbeResult::Kind::unknown:
        return QStringLiteral("unknown(") + result.reason + QLatin1Char(')');
    case ProbeResult::Kind::reachable:
        return QStringLiteral("reachable(HTTP ") +
               (result.statusCode ? QString::number(*result.statusCode) : QStringLiteral("?")) +
               QLatin1Char(')');
    case ProbeResult::Kind::blocked:
        break;
    }
    return QStringLiteral("blocked(") + result.reason + QLatin1Char(')');
}

std::optional<QUrl> MacDNSProtectionManager::profileURL(const QString& deviceToken) const {
    const QString token = deviceToken.trimmed();
    if (token.isEmpty()) {
        return std::nullopt;
    }
    QUrl url = m_profileEndpoint;
    QUrlQuery query;
    query.addQueryItem(QStringLiteral("device_token"), token);
    url.setQuery(query);
    if (!url.isValid()) {
        return std::nullopt;
    }
    return url;
}

QCoro::Task<bool> MacDNSProtectionManager::requestProfile(QString deviceToken) {
    const std::optional<QUrl> url = profileURL(deviceToken);
    if (!url) {
        setLastError(QStringLiteral("Mac-device-token mangler."));
        setTexts(kProfileFailed,
                 QStringLiteral("Molvena kunne ikke klargøre beskyttelsen. Prøv igen om et øjeblik."));
        co_return false;
    }
    setIsOpeningProfile(true);
    setLastError({});

    QNetworkRequest request(*url);
    ignoreCaches(request);
    request.setTransferTimeout(int(m_timeouts.profileDownload.count()));
    const DeletedLater<QNetworkReply> reply(m_network.get(request));
    co_await reply.get();

    const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (status.isValid() && (status.toInt() < 200 || status.toInt() > 299)) {
        failProfileRequest(QStringLiteral("Serveren svarede HTTP %1.").arg(status.toInt()));
        co_return false;
    }
    if (!status.isValid() || reply->error() != QNetworkReply::NoError) {
        failProfileRequest(reply->errorString());
        co_return false;
    }

    const QByteArray body = reply->readAll();
    QStringDecoder decoder(QStringDecoder::Utf8);
    const QString text = decoder(body);
    if (body.isEmpty() || decoder.hasError() ||
        !text.contains(QLatin1String("com.apple.dnsSettings.managed")) || m_resolverHostName.isEmpty() ||
        !text.contains(m_resolverHostName)) {
        failProfileRequest(QStringLiteral("Serveren returnerede ikke en gyldig Molvena DNS-profil."));
        co_return false;
    }
    if (!m_workspace.openURL(*url)) {
        // The profile came; only a browser to hand it to was missing: no fault of the connection.
        failProfileRequest(QStringLiteral("Molvena kunne ikke åbne download-linket i din browser."),
                           WebProtectionTexts::browserRefusedDetail());
        co_return false;
    }

    setProfileWasRequested(true);
    {
        const PreferenceStore::Batch batch(m_defaults);
        m_defaults.setValue(preferenceKeys::macDNSProfileWasRequested, true);
        m_defaults.setValue(preferenceKeys::macDNSProfileRequestedAt,
                            secondsSince1970(QDateTime::currentDateTimeUtc()));
    }
    setState(MacDNSProtectionState::unknown);
    setTexts(
        QStringLiteral("Download startet · afventer installation"),
        QStringLiteral("Profilen hentes via din browser. Åbn .mobileconfig-filen, gennemfør installationen i "
                       "Systemindstillinger, og kontrollér derefter beskyttelsen i Molvena."));
    setIsOpeningProfile(false);
    co_return true;
}

void MacDNSProtectionManager::failProfileRequest(const QString& description, const QString& detail) {
    setLastError(description);
    setTexts(kProfileFailed, detail);
    setIsOpeningProfile(false);
}

QCoro::Task<ProbeResult> MacDNSProtectionManager::probe(QUrl url) {
    using Clock = std::chrono::steady_clock;
    const Clock::time_point started = Clock::now();
    const QString host = url.host();
    const QPointer<MacDNSProtectionManager> self(this);
    const HostLookupResult lookup =
        co_await m_lookUp(host, std::min(m_timeouts.lookup, m_timeouts.probeLimit));
    if (!self) {
        co_return ProbeResult::unknown(QStringLiteral("The verification ended with the app"));
    }
    if (lookup.outcome == HostLookupResult::Outcome::nameDoesNotExist) {
        co_return ProbeResult::blocked(kCannotFindHost);
    }
    if (!lookup.isResolved()) {
        co_return ProbeResult::unknown(lookup.reason);
    }

    // Connected by the address just looked up, so Qt's own host-name cache plays no part; the
    // site still sees its name in the Host header and, over TLS, in SNI and the certificate check.
    QUrl target = url;
    target.setHost(lookup.addresses.first().toString());
    QUrlQuery query;
    query.addQueryItem(QStringLiteral("molvena_probe"),
                       QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper());
    target.setQuery(query);

    QNetworkRequest request(target);
    ignoreCaches(request);
    request.setTransferTimeout(int(m_timeouts.probeTransfer.count()));
    request.setRawHeader("Host", url.authority(QUrl::FullyEncoded | QUrl::RemoveUserInfo).toUtf8());
    request.setPeerVerifyName(host);
    // HTTP/2 would take the authority from the URL, which now holds the address.
    request.setAttribute(QNetworkRequest::Http2AllowedAttribute, false);

    // A session of its own, so no connection, cookie or cached answer outlives the probe.
    const DeletedLater<QNetworkAccessManager> session(new QNetworkAccessManager);
    session->setCookieJar(nullptr);
    session->setRedirectPolicy(QNetworkRequest::ManualRedirectPolicy);
    QNetworkReply* reply = session->head(request);
    QTimer limit;
    limit.setSingleShot(true);
    QObject::connect(&limit, &QTimer::timeout, reply, &QNetworkReply::abort);
    const auto spent = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - started);
    limit.start(std::max(m_timeouts.probeLimit - spent, std::chrono::milliseconds(100)));
    co_await reply;
    limit.stop();

    const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (status.isValid()) {
        co_return ProbeResult::reachable(status.toInt());
    }
    // A refused connection proves nothing about who answered the lookup: a hosts-file line, a
    // portal or a network that refuses everything gives one too. Only a name that does not exist
    // counts as blocked.
    if (reply->error() == QNetworkReply::NoError) {
        co_return ProbeResult::unknown(QStringLiteral("No HTTP response"));
    }
    co_return ProbeResult::unknown(reply->errorString());
}

QCoro::Task<bool> MacDNSProtectionManager::nameResolutionWorks() {
    // A name that does not resolve proves blocking only if this machine can resolve names right
    // now: offline, a Mac's resolver says "no such name" for everything, and on Linux an unreachable
    // name server looks the same to Qt. So every verification also resolves a control name that the
    // protective resolver never blocks: the backend's own host, which must resolve for the app to
    // work at all. An address in place of a name proves nothing and so never confirms.
    if (m_controlHostName.isEmpty() || !QHostAddress(m_controlHostName).isNull()) {
        co_return false;
    }
    const HostLookupResult control = co_await m_lookUp(m_controlHostName, m_timeouts.lookup);
    co_return control.isResolved();
}

QUrl MacDNSProtectionManager::freshCanaryURL() const {
    // An address in place of the zone (a loopback stand-in) has no names beneath it.
    if (m_canaryURL.host().isEmpty() || !QHostAddress(m_canaryURL.host()).isNull()) {
        return m_canaryURL;
    }
    QUrl url = m_canaryURL;
    url.setHost(freshLabel() + QLatin1Char('.') + m_canaryURL.host());
    return url;
}

QCoro::Task<MacDNSProtectionState> MacDNSProtectionManager::verify() {
    const QPointer<MacDNSProtectionManager> self(this);
    if (m_isChecking) {
        // The running check began before this call and may predate what the caller wants to know
        // (a profile removed a moment ago): wait for one that starts after it. Every caller that
        // arrives meanwhile shares that one follow-up.
        const quint64 calledDuring = m_checksStarted;
        while (true) {
            co_await nextCheckEnd();
            if (!self) {
                co_return MacDNSProtectionState::unknown;
            }
            if (m_lastFinished.number > calledDuring) {
                co_return m_lastFinished.state;
            }
            if (!m_isChecking) {
                break; // the earlier check ended and no follow-up runs yet: this caller starts it
            }
        }
    }
    const quint64 number = ++m_checksStarted;
    const MacDNSProtectionState state = co_await runVerification();
    if (self) {
        m_lastFinished = {number, state};
        if (const std::unique_ptr<QPromise<void>> waiting = std::exchange(m_checkEnd, nullptr)) {
            waiting->finish();
        }
    }
    co_return state;
}

QFuture<void> MacDNSProtectionManager::nextCheckEnd() {
    if (!m_checkEnd) {
        m_checkEnd = std::make_unique<QPromise<void>>();
        m_checkEnd->start();
    }
    return m_checkEnd->future();
}

QCoro::Task<MacDNSProtectionState> MacDNSProtectionManager::runVerification() {
    setIsChecking(true);
    setLastError({});

    // The manager may be gone when a probe comes back (the app quit meanwhile): then nothing more.
    const QPointer<MacDNSProtectionManager> self(this);
    // The control lookup runs beside the canary, so it adds no time.
    QCoro::Task<bool> control = nameResolutionWorks();
    ProbeResult canary = co_await probe(freshCanaryURL());
    const bool resolutionWorks = co_await std::move(control);
    if (!self) {
        co_return MacDNSProtectionState::unknown;
    }
    const auto unlessUnproven = [resolutionWorks](ProbeResult result) {
        if (result.isBlocked() && result.reason == kCannotFindHost && !resolutionWorks) {
            return ProbeResult::unknown(QStringLiteral("Name resolution could not be confirmed"));
        }
        return result;
    };
    canary = unlessUnproven(canary);
    setLastCheckAt(QDateTime::currentDateTimeUtc());
    if (canary.isBlocked()) {
        markVerified(QStringLiteral("Canary blocked: ") + canary.reason);
        setIsChecking(false);
        co_return MacDNSProtectionState::active;
    }

    // Started together, so the slowest site bounds the wait, not the sum of them.
    std::vector<QCoro::Task<ProbeResult>> fallbacks;
    fallbacks.reserve(std::size_t(m_blockedDomainProbeURLs.size()));
    for (const QUrl& url : std::as_const(m_blockedDomainProbeURLs)) {
        fallbacks.push_back(probe(url));
    }
    int blocked = 0;
    int reachable = 0;
    const int count = int(fallbacks.size());
    for (QCoro::Task<ProbeResult>& fallback : fallbacks) {
        const ProbeResult result = unlessUnproven(co_await std::move(fallback));
        blocked += result.isBlocked() ? 1 : 0;
        reachable += result.isReachable() ? 1 : 0;
    }
    if (!self) {
        co_return MacDNSProtectionState::unknown;
    }

    if (blocked >= 2) {
        markVerified(QStringLiteral("Fallback block probes confirmed %1/%2").arg(blocked).arg(count));
        setIsChecking(false);
        co_return MacDNSProtectionState::active;
    }
    if (reachable < 2) {
        setState(MacDNSProtectionState::unknown);
        setTexts(
            QStringLiteral("Beskyttelsen kunne ikke kontrolleres"),
            QStringLiteral(
                "Molvena kunne ikke kontrollere beskyttelsen sikkert lige nu. Prøv igen om et øjeblik."));
        setLastError(QStringLiteral("Inconclusive DNS verification; blocked=%1, reachable=%2, canary=")
                         .arg(blocked)
                         .arg(reachable) +
                     probeDescription(canary));
        setIsChecking(false);
        co_return MacDNSProtectionState::unknown;
    }
    setState(MacDNSProtectionState::inactive);
    setTexts(
        QStringLiteral("Webbeskyttelse ikke aktiv"),
        QStringLiteral("Molvena kunne nå flere kendte gambling-sider. Kontrollér, at beskyttelsesprofilen er "
                       "installeret og aktiv."));
    setLastError(QStringLiteral("Verification reachable: %1/%2; canary=").arg(reachable).arg(count) +
                 probeDescription(canary));
    if (recordsBelongToAPlayer()) {
        const PreferenceStore::Batch batch(m_defaults);
        m_defaults.setValue(preferenceKeys::macDNSLastKnownActive, false);
        m_defaults.setValue(preferenceKeys::macLastKnownDNSActive, false);
    }
    setIsChecking(false);
    co_return MacDNSProtectionState::inactive;
}

void MacDNSProtectionManager::markVerified(const QString& note) {
    setState(MacDNSProtectionState::active);
    setTexts(QStringLiteral("Webbeskyttelse aktiv"),
             QStringLiteral("Molvena har bekræftet, at gambling-sider bliver blokeret på %1.")
                 .arg(DeviceNames::forThisSystem().thisDevice()));
    setLastError(note);
    if (!recordsBelongToAPlayer()) {
        return;
    }
    const PreferenceStore::Batch batch(m_defaults);
    m_defaults.setValue(preferenceKeys::macDNSLastKnownActive, true);
    m_defaults.setValue(preferenceKeys::macLastKnownDNSActive, true);
    m_defaults.setValue(preferenceKeys::macDNSLastHealthyAt,
                        secondsSince1970(QDateTime::currentDateTimeUtc()));
}

bool MacDNSProtectionManager::openProfilesSettings() {
    return m_workspace.openSettingsPane(Workspace::profilesSettingsPane());
}

void MacDNSProtectionManager::setState(MacDNSProtectionState state) {
    publish(*this, m_state, state, &MacDNSProtectionManager::stateChanged);
}

bool MacDNSProtectionManager::recordsBelongToAPlayer() const {
    // The keys are the player's protection record: a session reset removes them, and a check on a
    // relative's or a new user's Mac (at start, or still running as the session was reset) must not
    // write them back.
    return m_defaults.text(preferenceKeys::macRole) == QLatin1String("player");
}

void MacDNSProtectionManager::setIsChecking(bool checking) {
    publish(*this, m_isChecking, checking, &MacDNSProtectionManager::isCheckingChanged);
}

void MacDNSProtectionManager::setIsOpeningProfile(bool opening) {
    publish(*this, m_isOpeningProfile, opening, &MacDNSProtectionManager::isOpeningProfileChanged);
}

void MacDNSProtectionManager::setTexts(const QString& status, const QString& detail) {
    publish(*this, m_statusText, status, &MacDNSProtectionManager::statusTextChanged);
    publish(*this, m_detailText, detail, &MacDNSProtectionManager::detailTextChanged);
}

void MacDNSProtectionManager::setLastError(const QString& error) {
    publish(*this, m_lastError, error, &MacDNSProtectionManager::lastErrorChanged);
}

void MacDNSProtectionManager::setLastCheckAt(const QDateTime& at) {
    m_lastCheckAt = at;
    emit lastCheckAtChanged();
}

void MacDNSProtectionManager::setProfileWasRequested(bool requested) {
    publish(*this, m_profileWasRequested, requested, &MacDNSProtectionManager::profileWasRequestedChanged);
}

} // namespace molvena
