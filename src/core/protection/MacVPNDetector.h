#pragma once

#include "platform/NetworkPath.h"
#include "platform/NetworkPathMonitor.h"
#include "platform/Workspace.h"

#include <QDateTime>
#include <QObject>
#include <QString>

#include <optional>

namespace molvena {

// The third protection layer is the absence of a VPN: a tunnel can carry DNS queries past the
// protective resolver. Watches the network path and publishes whether a tunnel carries traffic.
class MacVPNDetector : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool isVPNActive READ isVPNActive NOTIFY isVPNActiveChanged)
    Q_PROPERTY(QString vpnName READ vpnName NOTIFY vpnNameChanged)
    Q_PROPERTY(QString statusText READ statusText NOTIFY statusTextChanged)
    Q_PROPERTY(QString detailText READ detailText NOTIFY detailTextChanged)
    Q_PROPERTY(QString settingsHelpText READ settingsHelpText NOTIFY settingsHelpTextChanged)
    Q_PROPERTY(QDateTime lastChangeAt READ lastChangeAtOrInvalid NOTIFY lastChangeAtChanged)

public:
    // What a path says: whether a tunnel carries traffic, and which one to name.
    struct Classification {
        bool isVPNActive = false;
        QString name;
        friend bool operator==(const Classification&, const Classification&) = default;
    };

    MacVPNDetector(NetworkPathMonitor& paths, Workspace& workspace, QObject* parent = nullptr);

    bool isVPNActive() const { return m_isVPNActive; }
    QString vpnName() const { return m_vpnName; }
    QString statusText() const { return m_statusText; }
    QString detailText() const { return m_detailText; }
    // What to do by hand after the network settings could not be opened; empty otherwise.
    QString settingsHelpText() const { return m_settingsHelpText; }
    std::optional<QDateTime> lastChangeAt() const { return m_lastChangeAt; }

    // Begins watching the path; later calls do nothing.
    Q_INVOKABLE void start();
    // Classifies the current path at once; before start() it does nothing.
    Q_INVOKABLE void refreshNow();
    Q_INVOKABLE bool openNetworkSettings();

    static Classification classifyPath(const NetworkPath& path);
    // Publishes a classification (on the main thread).
    void apply(const Classification& result);

signals:
    void isVPNActiveChanged();
    void vpnNameChanged();
    void statusTextChanged();
    void detailTextChanged();
    void settingsHelpTextChanged();
    void lastChangeAtChanged();
    // A path update arrived that lets traffic leave the machine (after the path changed).
    void networkUsable();

private:
    QDateTime lastChangeAtOrInvalid() const { return m_lastChangeAt.value_or(QDateTime()); }

    NetworkPathMonitor& m_paths;
    Workspace& m_workspace;
    bool m_isStarted = false;

    bool m_isVPNActive = false;
    QString m_vpnName;
    QString m_statusText = QStringLiteral("Ingen VPN registreret");
    QString m_detailText = QStringLiteral("Molvena kan bruge den installerede webbeskyttelse normalt.");
    QString m_settingsHelpText;
    std::optional<QDateTime> m_lastChangeAt;
};

} // namespace molvena
