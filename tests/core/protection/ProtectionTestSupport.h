#pragma once

#include "FixedDeviceInfo.h"
#include "SteadyHeartbeatTimer.h"
#include "platform/LoginItemService.h"
#include "platform/NetworkPathMonitor.h"
#include "platform/Workspace.h"
#include "protection/HostLookup.h"
#include "protection/MacProtectionMonitor.h"

#include <QHostAddress>
#include <QList>
#include <QNetworkAccessManager>
#include <QProcess>
#include <QStringList>
#include <QTcpServer>
#include <QUrl>

#include <memory>
#include <optional>

namespace molvena::test {

// Stands in for the desktop, which a test machine lacks: records what the app asked it to open.
class RecordingWorkspace : public Workspace {
public:
    bool openURL(const QUrl& url) override {
        openedURLs.append(url);
        return acceptsURLs;
    }
    bool openApplication(const QString& path) override {
        openedApplications.append(path);
        return true;
    }
    bool openFolder(const QString& path) override {
        openedFolders.append(path);
        return true;
    }

    bool acceptsURLs = true;
    QList<QUrl> openedURLs;
    QStringList openedApplications;
    QStringList openedFolders;
};

// The Mac's login-item service, which cannot exist here: a status number, changed as scripted.
class ScriptedLoginItemService : public LoginItemService {
public:
    explicit ScriptedLoginItemService(int status = notRegistered) : currentStatus(status) {}
    int status() const override { return currentStatus; }
    QString applicationPath() const override { return QStringLiteral("/Applications/Molvena.app"); }
    bool runsFromInstallLocation() const override { return installed; }
    std::optional<LoginItemError> registerApplication() override {
        if (registerError) {
            return registerError;
        }
        currentStatus = statusAfterRegister;
        return std::nullopt;
    }
    std::optional<LoginItemError> unregisterApplication() override {
        currentStatus = notRegistered;
        return std::nullopt;
    }
    bool openLoginItemsSettings() override { return true; }

    int currentStatus;
    bool installed = false;
    int statusAfterRegister = enabled;
    std::optional<LoginItemError> registerError;
};

// A network-path source the test drives: it delivers the paths the test hands it.
class DrivenPathMonitor : public NetworkPathMonitor {
    Q_OBJECT
public:
    bool start() override {
        startCount += 1;
        return true;
    }
    bool isStarted() const override { return startCount > 0; }
    NetworkPath currentPath() const override { return path; }

    void deliver(const NetworkPath& newPath) {
        path = newPath;
        emit pathUpdated(path);
    }

    NetworkPath path;
    int startCount = 0;
};

// The protection layers as the app wires them, every one real but the Mac's own services: the login
// item (enabled) and the network path stand in.
struct ProtectionStack {
    ProtectionStack(PreferenceStore& defaults, const Deployment& deployment,
                    const BrowserLocations& browserLocations, std::chrono::milliseconds timeout,
                    HostLookup lookUp = lookUpHostWithSystemResolver, MonitorSchedule schedule = {},
                    DNSProtectionTimeouts probes = {})
        : api(deployment.apiBase, deployment.blockProxy, network, timeout, device),
          dns(defaults, workspace, network, deployment, probes, std::move(lookUp)),
          browsers(browserLocations, deployment.resolverHostName),
          monitor(launchAtLogin, dns, vpn, browsers, api, defaults, heartbeat, schedule) {}

    RecordingWorkspace workspace;
    ScriptedLoginItemService loginItems{LoginItemService::enabled};
    DrivenPathMonitor paths;
    QNetworkAccessManager network;
    FixedDeviceInfo device;
    APIClient api;
    MacDNSProtectionManager dns;
    LaunchAtLoginManager launchAtLogin{loginItems, workspace};
    MacVPNDetector vpn{paths, workspace};
    SteadyHeartbeatTimer heartbeat;
    BrowserDNSBypassCheck browsers;
    MacProtectionMonitor monitor;
};

// A web site on a fixed address and port that answers 200, or refuses connections while blocked.
class SwitchableSite : public QObject {
    Q_OBJECT
public:
    explicit SwitchableSite(QHostAddress address = QHostAddress::LocalHost, quint16 port = 0,
                            QObject* parent = nullptr);

    QUrl url() const;
    void setBlocked(bool blocked);
    int requestCount() const { return m_requestCount; }
    QByteArray lastHost() const { return m_lastHost; }

private:
    void onNewConnection();

    QTcpServer m_server;
    QHostAddress m_address;
    quint16 m_port = 0;
    int m_requestCount = 0;
    QByteArray m_lastHost;
};

// Stands in for the protective resolver where a test runs none (real DNS is WebProtectionEndToEndTest's):
// while blocking, the listed names and those beneath them do not exist; all else resolves to loopback.
class StandInResolver {
public:
    // The names of blockedDeployment(): the canary zone and three gambling sites.
    static const QStringList defaultBlockedNames;

    explicit StandInResolver(bool blocking = true, QStringList blockedNames = defaultBlockedNames);

    void setBlocking(bool blocking) { m_state->blocking = blocking; }
    // For the app's adapters; stays usable after this object is gone.
    HostLookup lookup() const;

private:
    struct State {
        bool blocking = true;
        QStringList blockedNames;
    };
    std::shared_ptr<State> m_state;
};

// A file's bytes, or none when it cannot be read.
QByteArray readFile(const QString& path);
// Writes the file whole, making the folders above it; fails the test when it cannot.
void writeFile(const QString& path, const QByteArray& contents);

struct CommandResult {
    int exitCode = -1;
    QString output;
};
// Runs a program to its end (killed after the time-out), output and errors merged.
CommandResult runCommand(const QString& program, const QStringList& arguments, int timeoutMs = 10000);

// Inside a test's network namespace (runInOwnNetworkNamespace): runs "ip" with the arguments and
// fails the test when it fails.
void ip(const QString& arguments);
// Points the namespace's own /etc/resolv.conf (bind-mounted by "ip netns exec") at one name server.
void setNameServer(const QString& address);
// The canary's and the three gambling sites' names, with the namespace addresses their stand-ins use.
extern const QList<std::pair<QString, QString>> kNamespaceSites;

// Unbound on `address` with its files in `folder`, answering only from its local data, then `more`.
QString unboundConfiguration(const QString& address, const QString& folder, const QString& more);
// Writes the configuration to `path` and starts Unbound on it in the foreground.
void startUnbound(QProcess& unbound, const QString& path, const QString& configuration);

// Runs `inside` in a copy of this program in a network namespace of its own (loopback only, down; empty
// resolv.conf, hosts naming only localhost), then removes it; skips without root. Call from main().
int runInOwnNetworkNamespace(int argc, char** argv, QObject& inside);

} // namespace molvena::test
