#pragma once

#include "LoginItemTexts.h"
#include "platform/LoginItemService.h"
#include "platform/Workspace.h"

#include <QObject>
#include <QString>

namespace molvena {

// The first protection layer: the app starts again after every log-in, so the monitor keeps running.
// Mirrors the login-item status with Danish texts; every operation ends with a fresh read.
class LaunchAtLoginManager : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool isEnabled READ isEnabled NOTIFY isEnabledChanged)
    Q_PROPERTY(bool requiresApproval READ requiresApproval NOTIFY requiresApprovalChanged)
    Q_PROPERTY(bool isAvailable READ isAvailable NOTIFY isAvailableChanged)
    Q_PROPERTY(bool debugBypassActive READ debugBypassActive NOTIFY debugBypassActiveChanged)
    Q_PROPERTY(QString statusText READ statusText NOTIFY statusTextChanged)
    Q_PROPERTY(QString detailText READ detailText NOTIFY detailTextChanged)
    Q_PROPERTY(bool isSatisfied READ isSatisfied NOTIFY isSatisfiedChanged)
    Q_PROPERTY(QString actionHelpText READ actionHelpText NOTIFY actionHelpTextChanged)

public:
    LaunchAtLoginManager(LoginItemService& loginItems, Workspace& workspace,
                         LoginItemTexts texts = LoginItemTexts::mac(), QObject* parent = nullptr);

    bool isEnabled() const { return m_isEnabled; }
    bool requiresApproval() const { return m_requiresApproval; }
    bool isAvailable() const { return m_isAvailable; }
    bool debugBypassActive() const { return m_debugBypassActive; }
    QString statusText() const { return m_statusText; }
    QString detailText() const { return m_detailText; }
    // The layer is in place.
    bool isSatisfied() const { return m_isEnabled || m_debugBypassActive; }
    // What to do by hand, after a button found nothing to open; empty otherwise.
    QString actionHelpText() const { return m_actionHelpText; }
    const LoginItemTexts& texts() const { return m_texts; }

    Q_INVOKABLE void refresh();
    Q_INVOKABLE void enable();
    Q_INVOKABLE void disable();
    // Both return false, and say in actionHelpText what to do instead, when nothing could be opened.
    Q_INVOKABLE bool openLoginItemsSettings();
    Q_INVOKABLE bool openApplicationsFolder();

    // The status as the diagnostic log writes it.
    static QString statusName(int status);

signals:
    void isEnabledChanged();
    void requiresApprovalChanged();
    void isAvailableChanged();
    void debugBypassActiveChanged();
    void statusTextChanged();
    void detailTextChanged();
    void isSatisfiedChanged();
    void actionHelpTextChanged();

private:
    void setFlags(bool enabled, bool requiresApproval, bool available);
    void setDebugBypassActive(bool active);
    void setTexts(const QString& status, const QString& detail);
    void setTexts(const LoginItemTexts::Line& line) { setTexts(line.status, line.detail); }
    bool opened(bool success, const QString& fallback);

    LoginItemService& m_loginItems;
    Workspace& m_workspace;
    const LoginItemTexts m_texts;
    bool m_isEnabled = false;
    bool m_requiresApproval = false;
    bool m_isAvailable = true;
    bool m_debugBypassActive = false;
    // A registration from the install location failed while the service said "not found": from
    // then on "not found" means what it says, and the texts ask for a reinstall.
    bool m_registrationFailedWhileNotFound = false;
    QString m_statusText = QStringLiteral("Ikke aktiveret");
    QString m_detailText = QStringLiteral("Molvena skal starte automatisk, når du logger ind.");
    QString m_actionHelpText;
};

} // namespace molvena
