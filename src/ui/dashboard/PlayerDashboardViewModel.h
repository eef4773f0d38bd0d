#pragma once

#include "PlayerSettingsViewModel.h"
#include "ScreenDependencies.h"
#include "account/MacAccountStore.h"
#include "account/PlayerConnectionStatusStore.h"
#include "protection/DomainCountStore.h"
#include "protection/LaunchAtLoginManager.h"
#include "protection/MacDNSProtectionManager.h"
#include "protection/MacProtectionMonitor.h"
#include "protection/MacVPNDetector.h"
#include "session/AppSession.h"

#include <QDateTime>
#include <QNetworkAccessManager>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QUrl>
#include <QtQml/qqmlregistration.h>
#include <qcoro/qcorotask.h>

#include <functional>

namespace molvena {

// The player's main screen: gambling-free days, the three layers, the pairing code with the connected
// relatives, and the block list's size. Its only rules are the day count, full protection and the banner.
class PlayerDashboardViewModel : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("The root view model makes it.")
    Q_PROPERTY(molvena::AppSession* session READ session CONSTANT)
    Q_PROPERTY(molvena::LaunchAtLoginManager* launchAtLogin READ launchAtLogin CONSTANT)
    Q_PROPERTY(molvena::MacDNSProtectionManager* dns READ dns CONSTANT)
    Q_PROPERTY(molvena::MacVPNDetector* vpn READ vpn CONSTANT)
    Q_PROPERTY(molvena::DomainCountStore* domains READ domains CONSTANT)
    Q_PROPERTY(QVariantList relatives READ relatives NOTIFY relativesChanged)
    Q_PROPERTY(int gamblingFreeDays READ gamblingFreeDays NOTIFY changed)
    Q_PROPERTY(QString milestoneText READ milestoneText NOTIFY changed)
    Q_PROPERTY(bool isFullyProtected READ isFullyProtected NOTIFY changed)
    Q_PROPERTY(QString pillText READ pillText NOTIFY changed)
    Q_PROPERTY(QString pillIcon READ pillIcon NOTIFY changed)
    // "vpn", "attention" or "" (no banner).
    Q_PROPERTY(QString banner READ banner NOTIFY changed)
    Q_PROPERTY(QString bannerTitle READ bannerTitle NOTIFY changed)
    Q_PROPERTY(QString bannerText READ bannerText NOTIFY changed)
    Q_PROPERTY(QString pairingCodeDisplay READ pairingCodeDisplay NOTIFY changed)
    Q_PROPERTY(bool didCopy READ didCopy NOTIFY changed)
    Q_PROPERTY(bool syncing READ syncing NOTIFY changed)
    // The settings window while it is shown, else null.
    Q_PROPERTY(molvena::PlayerSettingsViewModel* settings READ settings NOTIFY settingsChanged)

public:
    struct Dependencies {
        AppSession& session;
        MacAccountStore& account;
        LaunchAtLoginManager& launchAtLogin;
        MacDNSProtectionManager& dns;
        MacVPNDetector& vpn;
        DomainCountStore& domains;
        MacProtectionMonitor& monitor;
        QNetworkAccessManager& network;
        QUrl apiBase;
        std::function<QDateTime()> now;
    };

    // `screen` is kept for the settings window, which takes every shared object.
    PlayerDashboardViewModel(Dependencies dependencies, const ScreenDependencies& screen,
                             QObject* parent = nullptr);

    // Whole calendar days (local time zone) from the last gambling day to today; never negative.
    static int gamblingFreeDays(double lastGamblingDate, const QDateTime& now);
    static QString milestoneText(int days);
    // Six digits shown as "123 456"; anything else as stored.
    static QString groupedPairingCode(const QString& stored);

    AppSession* session() const { return &m_d.session; }
    LaunchAtLoginManager* launchAtLogin() const { return &m_d.launchAtLogin; }
    MacDNSProtectionManager* dns() const { return &m_d.dns; }
    MacVPNDetector* vpn() const { return &m_d.vpn; }
    DomainCountStore* domains() const { return &m_d.domains; }
    QVariantList relatives() const { return m_connections.relativeList(); }
    int gamblingFreeDays() const;
    QString milestoneText() const { return milestoneText(gamblingFreeDays()); }
    bool isFullyProtected() const;
    QString pillText() const;
    QString pillIcon() const;
    QString banner() const;
    QString bannerTitle() const;
    QString bannerText() const;
    QString pairingCodeDisplay() const { return groupedPairingCode(m_d.session.pairingCode()); }
    bool didCopy() const { return m_didCopy; }
    bool syncing() const { return m_syncing; }
    PlayerSettingsViewModel* settings() const { return m_settings; }

    Q_INVOKABLE void appeared();
    Q_INVOKABLE void synchronize();
    Q_INVOKABLE void copyPairingCode();
    Q_INVOKABLE void openSettings(const QString& section);
    Q_INVOKABLE void closeSettings();
    Q_INVOKABLE void logOut() { m_d.session.resetSession(); }

    QCoro::Task<> runAppeared();
    QCoro::Task<> runSynchronize();

signals:
    void changed();
    void relativesChanged();
    void settingsChanged();

private:
    Dependencies m_d;
    ScreenDependencies m_screen;
    PlayerConnectionStatusStore m_connections;
    bool m_didCopy = false;
    bool m_syncing = false;
    QPointer<PlayerSettingsViewModel> m_settings;
};

} // namespace molvena
