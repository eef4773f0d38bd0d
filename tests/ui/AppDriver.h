#pragma once

#include "MolvenaMacApp.h"
#include "TestSupport.h"

#include <QProcess>
#include <QQuickItem>
#include <QString>
#include <QTemporaryDir>
#include <QUrl>
#include <QVariantList>

#include <functional>
#include <memory>

namespace molvena::test {

// The reference backend as its own process with a real SQLite file, which a test can stop and start
// again on the same port, as a user's backend goes away and comes back.
class BackendProcess {
public:
    BackendProcess() { start(); }
    ~BackendProcess() { stop(); }

    void start();
    void stop();
    QUrl apiBase() const { return m_apiBase; }
    QString dataFolder() const { return m_folder.filePath(QStringLiteral("data")); }
    // Rows of a query on the server's database file, read as a developer's SQL shell would.
    QList<QVariantList> rows(const QString& sql) const;
    // Presses the button behind the link of every mail of `kind` ("relative_confirmation", ...) once
    // `expected` of them are written, as their reader does; returns how many the server accepted.
    int confirmMailedAddresses(const QString& kind, int expected = 1) const;

private:
    QTemporaryDir m_folder;
    std::unique_ptr<QProcess> m_process;
    int m_port = 0;
    QUrl m_apiBase;
};

// The real app, built by its composition root against the backend, on a fresh preference file, with
// its window on the offscreen platform. Finds items by objectName and acts as a user would.
class AppDriver {
public:
    explicit AppDriver(const BackendProcess& backend);
    // The app with these adapters and deployment, for journeys that stand in for the desktop.
    AppDriver(PlatformAdapters adapters, Deployment deployment);
    // The canary zone and the gambling sites by the names StandInResolver blocks.
    static Deployment blockedDeployment(const BackendProcess& backend);
    // Lets the app's start-up sequence and web-protection check end first: they would outlive it.
    ~AppDriver();

    // A player who finished the onboarding on this Mac, registered through the app's own client with a
    // last day of gambling three days back; the app moves on to that player's first screen.
    void signInAsPlayer(const QString& email, const QString& pairingCode);

    // The window came up; a journey goes no further without it.
    bool started() const { return m_app && m_app->window(); }
    MolvenaMacApp& app() { return *m_app; }
    QQuickWindow& window() { return *m_app->window(); }
    PreferenceStore& preferences() { return m_app->preferences(); }
    QString screenName() { return m_app->rootViewModel().screenName(); }

    // The visible item with this objectName on the current screen; fails the test when there is none.
    QQuickItem* item(const QString& objectName);
    bool isShown(const QString& objectName);
    void click(const QString& objectName);
    // Presses through the control's accessible press action, as a screen reader does.
    void press(const QString& objectName);
    // Clicks and waits until the app shows that screen.
    void go(const QString& button, const QString& screen);
    // Clicks and waits until the label reads `text`.
    void clickThenRead(const QString& button, const QString& label, const QString& text);
    // The app's own checks hold some buttons for a moment; a press that met one is repeated, as a user
    // would, until `done`.
    bool pressUntil(const QString& button, const std::function<bool()>& done);
    // The settings window from the header menu, at a section ("support", "device", ...) if given.
    void openSettings(const QString& section = {});
    void closeSettings();
    // Clicks into the field and types, key by key.
    void type(const QString& objectName, const QString& text);
    // Selects what the field holds and types over it.
    void retype(const QString& objectName, const QString& text);
    // The text a field or label shows.
    QString textOf(const QString& objectName);
    void resize(const QSize& size);
    // A key on the keyboard, to whatever has the focus.
    void key(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier);
    // The accessible name of what has the keyboard focus, as a screen reader announces it.
    QString focusedName();
    // Presses Tab until the control with this accessible name has the focus; false if it never does.
    bool tabTo(const QString& name);
    // A PNG of the window under the test's artifacts folder.
    void screenshot(const QString& name);

private:
    TemporaryPreferences m_preferences;
    std::unique_ptr<MolvenaMacApp> m_app;
};

} // namespace molvena::test
