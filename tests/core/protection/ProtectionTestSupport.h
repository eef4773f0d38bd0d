#pragma once

#include "platform/LoginItemService.h"
#include "platform/NetworkPathMonitor.h"
#include "platform/Workspace.h"

#include <QList>
#include <QStringList>
#include <QTcpServer>
#include <QUrl>

#include <optional>

namespace molvena::test {

// Stands in for the desktop: records what the app asked it to open. The browser and System Settings
// cannot exist on a test machine.
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

// The Mac's login-item service, which cannot exist here: it keeps a status number and answers
// register and unregister as scripted.
class ScriptedLoginItemService : public LoginItemService {
public:
    int status() const override { return currentStatus; }
    QString applicationPath() const override { return QStringLiteral("/Applications/Molvena.app"); }
    std::optional<LoginItemError> registerApplication() override {
        if (registerError) {
            return registerError;
        }
        currentStatus = statusAfterRegister;
        return std::nullopt;
    }
    std::optional<LoginItemError> unregisterApplication() override {
        if (unregisterError) {
            return unregisterError;
        }
        currentStatus = notRegistered;
        return std::nullopt;
    }
    void openLoginItemsSettings() override { ++settingsOpened; }

    int currentStatus = notRegistered;
    int statusAfterRegister = enabled;
    std::optional<LoginItemError> registerError;
    std::optional<LoginItemError> unregisterError;
    int settingsOpened = 0;
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

    // Sets the path and delivers it as an update.
    void deliver(const NetworkPath& newPath) {
        path = newPath;
        emit pathUpdated(path);
    }

    NetworkPath path;
    int startCount = 0;
};

// A web site on a fixed loopback port that can be blocked (the port refuses connections) and
// unblocked again (it answers every request with 200).
class SwitchableSite : public QObject {
    Q_OBJECT
public:
    explicit SwitchableSite(bool blocked = false, QObject* parent = nullptr);

    QUrl url() const;
    void setBlocked(bool blocked);
    bool isBlocked() const { return !m_server.isListening(); }
    int requestCount() const { return m_requestCount; }

private:
    void onNewConnection();

    QTcpServer m_server;
    quint16 m_port = 0;
    int m_requestCount = 0;
};

// A loopback URL whose port nobody listens on (the connection is refused).
QUrl refusingURL();
// A URL whose host cannot be found (without any name-server query).
QUrl unresolvableURL();

} // namespace molvena::test
