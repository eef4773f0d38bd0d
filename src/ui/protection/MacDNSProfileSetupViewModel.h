#pragma once

#include "platform/WebProtectionInstaller.h"
#include "protection/MacDNSProtectionManager.h"
#include "protection/MacProtectionMonitor.h"
#include "protection/WebProtectionTexts.h"
#include "session/AppSession.h"
#include "session/PreferenceStore.h"

#include <QObject>
#include <QString>
#include <QVariantMap>
#include <QtQml/qqmlregistration.h>
#include <qcoro/qcorotask.h>

namespace molvena {

// The web-protection sheet. On a Mac: download the profile in the browser, install it by hand, confirm
// that blocking works. On Linux: install web protection with an administrator's approval, see it
// confirmed at once, and remove it again. Its progress lives only as long as the sheet is shown.
class MacDNSProfileSetupViewModel : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("The protection setup makes it.")
    Q_PROPERTY(molvena::MacDNSProtectionManager* dns READ dns CONSTANT)
    Q_PROPERTY(int step READ step NOTIFY changed)
    Q_PROPERTY(bool working READ working NOTIFY changed)
    Q_PROPERTY(QString message READ message NOTIFY changed)
    Q_PROPERTY(bool buttonsEnabled READ buttonsEnabled NOTIFY changed)
    // Linux's step: the app changes the system's name service itself and can take it away again.
    Q_PROPERTY(bool installsSystemResolver READ installsSystemResolver CONSTANT)
    Q_PROPERTY(QVariantMap texts READ texts CONSTANT)
    Q_PROPERTY(bool removing READ removing NOTIFY changed)

public:
    MacDNSProfileSetupViewModel(AppSession& session, PreferenceStore& preferences,
                                MacDNSProtectionManager& dns, MacProtectionMonitor& monitor,
                                WebProtectionInstaller& installer, QObject* parent = nullptr);

    MacDNSProtectionManager* dns() const { return &m_dns; }
    int step() const { return m_step; }
    bool working() const { return m_working; }
    QString message() const { return m_message; }
    bool buttonsEnabled() const { return !m_working && !m_dns.isChecking(); }
    bool installsSystemResolver() const {
        return m_installer.method() == WebProtectionInstaller::Method::systemResolver;
    }
    QVariantMap texts() const { return m_texts.forDisplay(); }
    bool removing() const { return m_removing; }

    Q_INVOKABLE void appeared();
    Q_INVOKABLE void download(bool again);
    Q_INVOKABLE void confirm();
    Q_INVOKABLE void remove();
    Q_INVOKABLE void openProfilesSettings();

    QCoro::Task<> runAppeared();
    QCoro::Task<> runDownload(bool again);
    QCoro::Task<> runConfirm();
    QCoro::Task<> runInstall(bool again);
    QCoro::Task<> runRemove();

signals:
    void changed();

private:
    void set(int step, bool working, const QString& message);

    AppSession& m_session;
    PreferenceStore& m_preferences;
    MacDNSProtectionManager& m_dns;
    MacProtectionMonitor& m_monitor;
    WebProtectionInstaller& m_installer;
    WebProtectionTexts m_texts;
    int m_step = 0;
    bool m_working = false;
    bool m_removing = false;
    QString m_message;
};

} // namespace molvena
