#include "PlayerDashboardViewModel.h"

#include "app/DetachedTask.h"
#include "platform/DeviceNames.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QPointer>
#include <QTimeZone>
#include <QTimer>

namespace molvena {

PlayerDashboardViewModel::PlayerDashboardViewModel(Dependencies dependencies,
                                                   const ScreenDependencies& screen, QObject* parent)
    : QObject(parent), m_d(std::move(dependencies)), m_screen(screen),
      m_connections(m_d.network, m_d.apiBase) {
    for (auto signal : {&AppSession::lastGamblingDateChanged, &AppSession::pairingCodeChanged}) {
        connect(&m_d.session, signal, this, &PlayerDashboardViewModel::changed);
    }
    connect(&m_d.launchAtLogin, &LaunchAtLoginManager::isSatisfiedChanged, this,
            &PlayerDashboardViewModel::changed);
    connect(&m_d.dns, &MacDNSProtectionManager::stateChanged, this, &PlayerDashboardViewModel::changed);
    connect(&m_d.vpn, &MacVPNDetector::isVPNActiveChanged, this, &PlayerDashboardViewModel::changed);
    connect(&m_connections, &PlayerConnectionStatusStore::relativesChanged, this,
            &PlayerDashboardViewModel::relativesChanged);
}

int PlayerDashboardViewModel::gamblingFreeDays(double lastGamblingDate, const QDateTime& now) {
    if (lastGamblingDate <= 0) {
        return 0;
    }
    const QTimeZone zone = now.timeZone();
    const QDate from = QDateTime::fromSecsSinceEpoch(qint64(lastGamblingDate), zone).date();
    const QDate to = now.date();
    return int(std::max<qint64>(0, from.daysTo(to)));
}

QString PlayerDashboardViewModel::milestoneText(int days) {
    if (days <= 0) {
        return QStringLiteral("I dag starter din nye afstand til spil.");
    }
    if (days < 14) {
        return QStringLiteral("Én dag ad gangen. Beskyttelsen arbejder i baggrunden.");
    }
    return QStringLiteral("Du har skabt mere afstand til spil — hold fast i det, der virker.");
}

QString PlayerDashboardViewModel::groupedPairingCode(const QString& stored) {
    QString digits;
    for (const QChar character : stored) {
        if (character.isDigit()) {
            digits.append(character);
        }
    }
    return digits.size() == 6 ? digits.left(3) + QLatin1Char(' ') + digits.right(3) : stored;
}

int PlayerDashboardViewModel::gamblingFreeDays() const {
    return gamblingFreeDays(m_d.session.lastGamblingDate(), m_d.now());
}

bool PlayerDashboardViewModel::isFullyProtected() const {
    return m_d.dns.isActive() && m_d.launchAtLogin.isSatisfied() && !m_d.vpn.isVPNActive();
}

QString PlayerDashboardViewModel::pillText() const {
    if (isFullyProtected()) {
        return QStringLiteral("Beskyttelse aktiv");
    }
    return m_d.vpn.isVPNActive() ? QStringLiteral("VPN kræver handling")
                                 : QStringLiteral("Kontrollerer beskyttelse");
}

QString PlayerDashboardViewModel::pillIcon() const {
    if (isFullyProtected()) {
        return QStringLiteral("checkmark.circle.fill");
    }
    return m_d.vpn.isVPNActive() ? QStringLiteral("exclamationmark.triangle.fill")
                                 : QStringLiteral("clock.badge.questionmark");
}

QString PlayerDashboardViewModel::banner() const {
    if (m_d.vpn.isVPNActive()) {
        return QStringLiteral("vpn");
    }
    if (m_d.dns.state() == MacDNSProtectionState::inactive || !m_d.launchAtLogin.isSatisfied()) {
        return QStringLiteral("attention");
    }
    return QString();
}

QString PlayerDashboardViewModel::bannerTitle() const {
    const QString kind = banner();
    if (kind == QLatin1String("vpn")) {
        return QStringLiteral("VPN er aktiv — fuld beskyttelse er sat på pause");
    }
    if (kind.isEmpty()) {
        return QString();
    }
    return m_d.dns.state() == MacDNSProtectionState::inactive
               ? QStringLiteral("Webbeskyttelsen kræver din opmærksomhed")
               : QStringLiteral("Automatisk start er slået fra");
}

QString PlayerDashboardViewModel::bannerText() const {
    const QString kind = banner();
    if (kind == QLatin1String("vpn")) {
        return QStringLiteral("En VPN kan omgå Molvenas webbeskyttelse. Slå VPN fra for at genetablere fuld "
                              "beskyttelse.");
    }
    if (kind.isEmpty()) {
        return QString();
    }
    return m_d.dns.state() == MacDNSProtectionState::inactive
               ? QStringLiteral("Molvena kan ikke længere bekræfte blokeringen på %1.")
                     .arg(DeviceNames::forThisSystem().thisDevice())
               : QStringLiteral(
                     "Aktivér automatisk start igen, så Molvena kan kontrollere beskyttelsen efter "
                     "genstart.");
}

void PlayerDashboardViewModel::appeared() {
    startDetached(runAppeared(), QStringLiteral("The dashboard's refresh"));
}

void PlayerDashboardViewModel::synchronize() {
    if (m_syncing) {
        return;
    }
    startDetached(runSynchronize(), QStringLiteral("The dashboard's synchronisation"));
}

void PlayerDashboardViewModel::copyPairingCode() {
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->clear();
    clipboard->setText(m_d.session.pairingCode());
    m_didCopy = true;
    emit changed();
    // Each press schedules its own reset, so the mark returns 1.5 s after the first press.
    QTimer::singleShot(1500, this, [this] {
        m_didCopy = false;
        emit changed();
    });
}

void PlayerDashboardViewModel::openSettings(const QString& section) {
    if (m_settings) {
        m_settings->setSelection(section);
        return;
    }
    m_settings = new PlayerSettingsViewModel(m_screen, section, this);
    connect(m_settings, &PlayerSettingsViewModel::closeRequested, this,
            &PlayerDashboardViewModel::closeSettings);
    emit settingsChanged();
}

void PlayerDashboardViewModel::closeSettings() {
    if (!m_settings) {
        return;
    }
    QPointer<PlayerSettingsViewModel> window = m_settings;
    m_settings = nullptr;
    emit settingsChanged();
    // The window's view goes first; its model after it.
    window->deleteLater();
}

QCoro::Task<> PlayerDashboardViewModel::runAppeared() {
    QPointer self(this);
    // Everything a step touches after a co_await is read again through self: the screen may be gone.
    m_d.vpn.start();
    m_d.vpn.refreshNow();
    m_d.monitor.checkBrowsers();
    try {
        co_await m_d.domains.refresh();
        if (!self) {
            co_return;
        }
        co_await m_connections.refreshConnections(m_d.session.deviceToken());
        if (!self) {
            co_return;
        }
        co_await m_d.account.loadProfile(m_d.session);
        if (!self) {
            co_return;
        }
        m_d.launchAtLogin.refresh();
        if (m_d.vpn.isVPNActive()) {
            co_return;
        }
        co_await m_d.dns.verify();
    } catch (...) {
        // Each owner shows its own failure; the dashboard adds none.
    }
}

QCoro::Task<> PlayerDashboardViewModel::runSynchronize() {
    QPointer self(this);
    m_syncing = true;
    emit changed();
    MacProtectionMonitor& monitor = m_d.monitor;
    MacDNSProtectionManager& dns = m_d.dns;
    MacVPNDetector& vpn = m_d.vpn;
    vpn.refreshNow();
    try {
        co_await m_d.domains.refresh();
        if (!vpn.isVPNActive()) {
            co_await dns.verify();
        }
        co_await monitor.evaluate(QStringLiteral("dashboard_refresh"));
    } catch (...) {
    }
    if (!self) {
        co_return;
    }
    m_syncing = false;
    emit changed();
}

} // namespace molvena
