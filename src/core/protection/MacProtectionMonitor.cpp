#include "MacProtectionMonitor.h"

#include "app/DebugLog.h"
#include "app/DetachedTask.h"
#include "app/PublishedField.h"
#include "platform/DeviceNames.h"
#include "session/PreferenceKeys.h"

#include <QPointer>

#include <algorithm>

#include <qcoro/qcorofuture.h>
#include <qcoro/qcorosignal.h>
#include <qcoro/qcorotimer.h>

namespace molvena {

namespace keys = preferenceKeys;

MacProtectionMonitor::MacProtectionMonitor(LaunchAtLoginManager& launchAtLogin, MacDNSProtectionManager& dns,
                                           MacVPNDetector& vpn, const BrowserDNSBypassCheck& browsers,
                                           const APIClient& api, PreferenceStore& defaults,
                                           HeartbeatTimer& heartbeat, MonitorSchedule schedule,
                                           QObject* parent)
    : QObject(parent), m_launchAtLogin(launchAtLogin), m_dns(dns), m_vpn(vpn), m_browsers(browsers),
      m_api(api), m_defaults(defaults), m_heartbeat(heartbeat), m_schedule(schedule) {
    // A Mac that wakes evaluates at once, often before its network is back, and the check ends
    // undecided. One more check once the path has been usable for a moment (every update restarts
    // the wait); the check itself changes no path, so this cannot loop.
    m_recheck.setSingleShot(true);
    m_recheck.setInterval(int(m_schedule.recheckDelay.count()));
    connect(&m_vpn, &MacVPNDetector::networkUsable, this, [this] {
        if (m_recheckWanted) {
            m_recheck.start();
        }
    });
    connect(&m_recheck, &QTimer::timeout, this, [this] {
        if (m_recheckWanted) {
            m_recheckWanted = false;
            startDetached(evaluate(QStringLiteral("heartbeat")),
                          QStringLiteral("The re-check after the network"));
        }
    });
}

void MacProtectionMonitor::start() {
    debugLog("MONITOR", [] { return QStringLiteral("start()"); });
    if (m_monitorTask) {
        return;
    }
    m_vpn.start();
    m_monitorTask.emplace(runLoop(QPointer(this), m_schedule));
}

QCoro::Task<> MacProtectionMonitor::runLoop(QPointer<MacProtectionMonitor> monitor,
                                            MonitorSchedule schedule) {
    // Holds the monitor only weakly: once it is gone, the loop ends at its next step.
    co_await QCoro::sleepFor(schedule.firstDelay);
    if (!monitor) {
        co_return;
    }
    co_await monitor->evaluate(QStringLiteral("app_start"));
    while (monitor) {
        // A machine that slept through the interval evaluates as soon as it wakes.
        HeartbeatTimer& heartbeat = monitor->m_heartbeat;
        heartbeat.start(schedule.interval);
        co_await qCoro(&heartbeat, &HeartbeatTimer::timeout);
        if (!monitor) {
            co_return;
        }
        co_await monitor->evaluate(QStringLiteral("heartbeat"));
    }
}

QCoro::Task<> MacProtectionMonitor::activateManually() {
    co_await evaluate(QStringLiteral("manual_activation"));
}

QCoro::Task<> MacProtectionMonitor::finishSetup() {
    const QPointer<MacProtectionMonitor> self(this);
    if (!m_vpn.isVPNActive()) {
        MacDNSProtectionManager& dns = m_dns;
        co_await dns.verify();
        if (!self) {
            co_return;
        }
    }
    co_await activateIfLayersHold();
}

QCoro::Task<> MacProtectionMonitor::activateIfLayersHold() {
    // Several triggers see the layers hold together; one evaluation records the activation.
    if (m_activating || !m_launchAtLogin.isSatisfied() || !m_dns.isActive() || m_vpn.isVPNActive()) {
        co_return;
    }
    const QPointer<MacProtectionMonitor> self(this);
    m_activating = true;
    co_await activateManually();
    if (self) {
        m_activating = false;
    }
}

bool MacProtectionMonitor::isCompletePlayer() const {
    return m_defaults.text(keys::macRole, QStringLiteral("none")) == QLatin1String("player") &&
           m_defaults.boolean(keys::macSetupComplete);
}

QCoro::Task<> MacProtectionMonitor::evaluate(QString reason) {
    if (!isCompletePlayer()) {
        co_return;
    }
    const QPointer<MacProtectionMonitor> self(this);
    co_await refreshBrowserFindings();
    if (!self) {
        co_return;
    }
    const bool everActivated = m_defaults.boolean(keys::hasEverActivatedMacProtection);
    co_await evaluateLayers(reason, everActivated);
    if (everActivated) {
        co_await sendBrowserAlerts();
    }
}

QCoro::Task<> MacProtectionMonitor::evaluateLayers(QString reason, bool everActivated) {
    m_launchAtLogin.refresh();
    m_vpn.refreshNow();
    const bool launchAtLogin = m_launchAtLogin.isSatisfied();
    const bool vpnActive = m_vpn.isVPNActive();

    if (vpnActive) {
        // No web verification while a tunnel could route around the resolver.
        const bool web =
            m_dns.state() == MacDNSProtectionState::active || m_defaults.boolean(keys::macLastKnownDNSActive);
        setLastCheckAt(QDateTime::currentDateTimeUtc());
        setIsProtectionHealthy(false);
        setLastIssue(QStringLiteral("En VPN er aktiv og kan omgå webbeskyttelsen."));
        {
            const PreferenceStore::Batch batch(m_defaults);
            m_defaults.setValue(keys::macProtectionActive, false);
            m_defaults.setValue(keys::macLastKnownLaunchAtLoginActive, launchAtLogin);
        }
        co_await reportStatus(reason, false, launchAtLogin, web, true);
        if (everActivated) {
            co_await sendAlert(QStringLiteral("mac_vpn_detected"));
        }
        co_return;
    }

    const QPointer<MacProtectionMonitor> self(this);
    const MacDNSProtectionState verification = co_await m_dns.verify();
    if (!self) {
        co_return;
    }
    m_recheckWanted = verification == MacDNSProtectionState::unknown;
    if (!isCompletePlayer()) {
        // The session was reset while the check ran: its records and reports went with it.
        co_return;
    }
    if (verification == MacDNSProtectionState::unknown) {
        // Undecided is never a removal: nothing recorded, nobody alerted.
        setLastCheckAt(QDateTime::currentDateTimeUtc());
        setIsProtectionHealthy(false);
        setLastIssue(QStringLiteral("Beskyttelsens status kunne ikke bekræftes endnu."));
        co_await reportStatus(reason, false, launchAtLogin, m_defaults.boolean(keys::macLastKnownDNSActive),
                              false);
        co_return;
    }

    const bool web = verification == MacDNSProtectionState::active;
    const bool healthy = web && launchAtLogin;
    setLastCheckAt(QDateTime::currentDateTimeUtc());
    setIsProtectionHealthy(healthy);

    if (healthy) {
        {
            const QDateTime now = QDateTime::currentDateTimeUtc();
            const PreferenceStore::Batch batch(m_defaults);
            m_defaults.setValue(keys::hasEverActivatedMacProtection, true);
            m_defaults.setValue(keys::macProtectionActive, true);
            m_defaults.setValue(keys::macLastKnownLaunchAtLoginActive, true);
            m_defaults.setValue(keys::macLastKnownDNSActive, true);
            m_defaults.setValue(keys::macLastKnownVPNActive, false);
            m_defaults.setValue(keys::macExternalRemovalAlertSent, false);
            m_defaults.remove(keys::macLastRemovalReason);
            m_defaults.setValue(keys::macLastHealthyAt, double(now.toMSecsSinceEpoch()) / 1000.0);
        }
        setLastIssue({});
        co_await reportStatus(reason, true, true, true, false);
        co_return;
    }

    {
        const PreferenceStore::Batch batch(m_defaults);
        m_defaults.setValue(keys::macProtectionActive, false);
        m_defaults.setValue(keys::macLastKnownLaunchAtLoginActive, launchAtLogin);
        m_defaults.setValue(keys::macLastKnownDNSActive, web);
        m_defaults.setValue(keys::macLastKnownVPNActive, false);
    }
    co_await reportStatus(reason, false, launchAtLogin, web, false);
    if (!everActivated) {
        // Still setting up: a missing layer is not a removal.
        setLastIssue(QStringLiteral("Beskyttelsen er endnu ikke færdigaktiveret."));
        co_return;
    }
    if (web) {
        setLastIssue(QStringLiteral("Automatisk start er slået fra."));
        co_await sendAlert(QStringLiteral("mac_launch_at_login_removed"));
    } else if (launchAtLogin) {
        setLastIssue(QStringLiteral("Webbeskyttelsen er slået fra eller fjernet."));
        co_await sendAlert(QStringLiteral("mac_dns_profile_removed_externally"));
    } else {
        setLastIssue(QStringLiteral("Beskyttelsen på %1 er ikke længere fuldt aktiv.")
                         .arg(DeviceNames::forThisSystem().thisDevice()));
        co_await sendAlert(QStringLiteral("mac_protection_removed_externally"));
    }
}

QCoro::Task<> MacProtectionMonitor::reportStatus(QString reason, bool active, bool launchAtLogin,
                                                 bool dnsActive, bool vpnActive) {
    const QString token = m_defaults.text(keys::deviceToken);
    if (token.isEmpty()) {
        co_return;
    }
    co_await m_api.reportDeviceStatus(token, active, false, launchAtLogin, dnsActive, vpnActive, true, reason,
                                      m_defaults.text(keys::pairingCode),
                                      m_defaults.real(keys::lastGamblingDate), bypassingBrowsers());
}

QCoro::Task<> MacProtectionMonitor::sendAlert(QString kind) {
    if (m_defaults.boolean(keys::macExternalRemovalAlertSent) &&
        m_defaults.text(keys::macLastRemovalReason) == kind) {
        co_return; // already told since protection was last whole
    }
    // Recorded before sending: an alert lost on the network is not sent again for the same kind.
    {
        const PreferenceStore::Batch batch(m_defaults);
        m_defaults.setValue(keys::macExternalRemovalAlertSent, true);
        m_defaults.setValue(keys::macLastRemovalReason, kind);
        m_defaults.setValue(keys::macLastKnownVPNActive, m_vpn.isVPNActive());
    }
    const QString token = m_defaults.text(keys::deviceToken);
    if (token.isEmpty()) {
        co_return;
    }
    co_await m_api.sendNotification(token, kind, QString());
}

QCoro::Task<> MacProtectionMonitor::sendBrowserAlerts() {
    // Per browser, like the layers' kinds: told once while it goes around the protection, and again
    // only after it was seen using the system resolver (or gone) in between. Undecided changes nothing.
    QStringList recorded =
        m_defaults.text(keys::macBrowserBypassAlerted).split(QLatin1Char('|'), Qt::SkipEmptyParts);
    QStringList newlyFound;
    const QStringList before = recorded;
    recorded.removeIf([this](const QString& browser) {
        return std::none_of(
            m_browserFindings.cbegin(), m_browserFindings.cend(), [&](const BrowserFinding& f) {
                return f.browser == browser && f.verdict != BrowserFinding::Verdict::usesSystemResolver;
            });
    });
    for (const BrowserFinding& finding : m_browserFindings) {
        if (finding.verdict == BrowserFinding::Verdict::ownDNS && !recorded.contains(finding.browser)) {
            recorded.append(finding.browser);
            newlyFound.append(finding.browser);
        }
    }
    if (recorded != before) {
        // Recorded before sending: an alert lost on the network is not sent again.
        if (recorded.isEmpty()) {
            m_defaults.remove(keys::macBrowserBypassAlerted);
        } else {
            m_defaults.setValue(keys::macBrowserBypassAlerted, recorded.join(QLatin1Char('|')));
        }
    }
    const QString token = m_defaults.text(keys::deviceToken);
    if (token.isEmpty()) {
        co_return;
    }
    for (const QString& browser : newlyFound) {
        co_await m_api.sendNotification(token, QStringLiteral("mac_browser_dns_bypass"), QString(), browser);
    }
}

void MacProtectionMonitor::checkBrowsers() {
    startDetached(refreshBrowserFindings(), QStringLiteral("The browser check"));
}

QCoro::Task<> MacProtectionMonitor::refreshBrowserFindings() {
    // A profile's files can run to many megabytes: read and parsed off the main thread.
    const QPointer<MacProtectionMonitor> self(this);
    const quint64 number = ++m_browserChecksStarted;
    QList<BrowserFinding> findings = co_await m_browsers.runInBackground();
    if (!self || number < m_browserChecksApplied) {
        co_return; // gone, or a check that started later has already published
    }
    m_browserChecksApplied = number;
    if (findings != m_browserFindings) {
        m_browserFindings = std::move(findings);
        emit browserFindingsChanged();
    }
}

QStringList MacProtectionMonitor::bypassingBrowsers() const {
    QStringList names;
    for (const BrowserFinding& finding : m_browserFindings) {
        if (finding.verdict == BrowserFinding::Verdict::ownDNS) {
            names.append(finding.browser);
        }
    }
    return names;
}

QVariantList MacProtectionMonitor::browserBypasses() const {
    QVariantList list;
    for (const BrowserFinding& finding : m_browserFindings) {
        if (finding.verdict == BrowserFinding::Verdict::ownDNS) {
            list.append(QVariantMap{{QStringLiteral("browser"), finding.browser},
                                    {QStringLiteral("provider"), finding.provider},
                                    {QStringLiteral("steps"), switchOffSteps(finding.browser)}});
        }
    }
    return list;
}

QVariantList MacProtectionMonitor::browsersNotChecked() const {
    QVariantList list;
    for (const BrowserFinding& finding : m_browserFindings) {
        if (finding.verdict == BrowserFinding::Verdict::unknown) {
            list.append(QVariantMap{{QStringLiteral("browser"), finding.browser},
                                    {QStringLiteral("reason"), finding.problem}});
        }
    }
    return list;
}

QString MacProtectionMonitor::switchOffSteps(const QString& browser) {
    if (browser == QLatin1String("Firefox")) {
        return QStringLiteral("Firefox bruger sin egen DNS og går uden om Molvenas webbeskyttelse. Åbn "
                              "Indstillinger › Privatliv og sikkerhed, find DNS over HTTPS og vælg "
                              "»Fra«. Genstart derefter Firefox.");
    }
    const QString path =
        browser == QLatin1String("Microsoft Edge")
            ? QStringLiteral("Indstillinger › Beskyttelse af personlige oplysninger, søgning "
                             "og tjenester")
            : QStringLiteral("Indstillinger › Privatliv og sikkerhed › Sikkerhed");
    return QStringLiteral("%1 bruger sin egen DNS og går uden om Molvenas webbeskyttelse. Åbn %2 og slå "
                          "»Brug sikker DNS« fra. Genstart derefter %1.")
        .arg(browser, path);
}

void MacProtectionMonitor::setIsProtectionHealthy(bool healthy) {
    publish(*this, m_isProtectionHealthy, healthy, &MacProtectionMonitor::isProtectionHealthyChanged);
}

void MacProtectionMonitor::setLastCheckAt(const QDateTime& at) {
    m_lastCheckAt = at;
    emit lastCheckAtChanged();
}

void MacProtectionMonitor::setLastIssue(const QString& issue) {
    publish(*this, m_lastIssue, issue, &MacProtectionMonitor::lastIssueChanged);
}

} // namespace molvena
