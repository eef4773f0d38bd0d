#pragma once

#include "ScreenDependencies.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QVariantList>
#include <QtQml/qqmlregistration.h>
#include <qcoro/qcorotask.h>

namespace molvena {

class PlayerSettingsViewModel;

// The settings page "Beskyttelse": the three layers of this Mac as they stand now, a check of all
// three that reports to the backend, and the way back into the profile sheet.
class ProtectionSettingsViewModel : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("The settings window makes it.")
    Q_PROPERTY(molvena::MacVPNDetector* vpn READ vpn CONSTANT)
    Q_PROPERTY(molvena::MacProtectionMonitor* monitor READ monitor CONSTANT)
    // Maps of key, title, icon, inPlace, detail, status, in the order shown.
    Q_PROPERTY(QVariantList layers READ layers NOTIFY changed)
    Q_PROPERTY(bool checking READ checking NOTIFY changed)
    Q_PROPERTY(QString checkButtonText READ checkButtonText NOTIFY changed)

public:
    ProtectionSettingsViewModel(const ScreenDependencies& dependencies, PlayerSettingsViewModel& window,
                                QObject* parent);

    MacVPNDetector* vpn() const { return &m_d.vpn; }
    MacProtectionMonitor* monitor() const { return &m_d.protectionMonitor; }
    QVariantList layers() const;
    bool checking() const;
    QString checkButtonText() const;

    Q_INVOKABLE void check();
    Q_INVOKABLE void reinstallWebProtection();
    Q_INVOKABLE void openNetworkSettings() { m_d.vpn.openNetworkSettings(); }

    // The check belongs to the window, not the page: it runs on when the player switches sections.
    static QCoro::Task<> runCheck(ScreenDependencies dependencies, QPointer<PlayerSettingsViewModel> window);

signals:
    void changed();

private:
    ScreenDependencies m_d;
    PlayerSettingsViewModel& m_window;
};

} // namespace molvena
