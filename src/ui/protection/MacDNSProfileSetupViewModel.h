#pragma once

#include "protection/MacDNSProtectionManager.h"
#include "protection/MacProtectionMonitor.h"
#include "session/AppSession.h"
#include "session/PreferenceStore.h"

#include <QObject>
#include <QString>
#include <QtQml/qqmlregistration.h>
#include <qcoro/qcorotask.h>

namespace molvena {

// The profile sheet: download the web-protection profile in the browser, install it by hand, confirm
// that blocking works. Its progress lives only as long as the sheet is shown.
class MacDNSProfileSetupViewModel : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("The protection setup makes it.")
    Q_PROPERTY(molvena::MacDNSProtectionManager* dns READ dns CONSTANT)
    Q_PROPERTY(int step READ step NOTIFY changed)
    Q_PROPERTY(bool working READ working NOTIFY changed)
    Q_PROPERTY(QString message READ message NOTIFY changed)
    Q_PROPERTY(bool buttonsEnabled READ buttonsEnabled NOTIFY changed)

public:
    MacDNSProfileSetupViewModel(AppSession& session, PreferenceStore& preferences,
                                MacDNSProtectionManager& dns, MacProtectionMonitor& monitor,
                                QObject* parent = nullptr);

    MacDNSProtectionManager* dns() const { return &m_dns; }
    int step() const { return m_step; }
    bool working() const { return m_working; }
    QString message() const { return m_message; }
    bool buttonsEnabled() const { return !m_working && !m_dns.isChecking(); }

    Q_INVOKABLE void appeared();
    Q_INVOKABLE void download(bool again);
    Q_INVOKABLE void confirm();
    Q_INVOKABLE void openProfilesSettings();

    QCoro::Task<> runAppeared();
    QCoro::Task<> runDownload(bool again);
    QCoro::Task<> runConfirm();

signals:
    void changed();

private:
    void set(int step, bool working, const QString& message);

    AppSession& m_session;
    PreferenceStore& m_preferences;
    MacDNSProtectionManager& m_dns;
    MacProtectionMonitor& m_monitor;
    int m_step = 0;
    bool m_working = false;
    QString m_message;
};

} // namespace molvena
