#pragma once

#include "ScreenDependencies.h"

#include <QObject>
#include <QString>
#include <QtQml/qqmlregistration.h>
#include <qcoro/qcorotask.h>

namespace molvena {

class PlayerSettingsViewModel;

// "Master PIN": the current PIN, the new one and its repetition; the store checks the digits and the
// backend the current PIN, the page only that the repetition matches.
class PinSettingsViewModel : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("The settings window makes it.")
    Q_PROPERTY(molvena::MacAccountStore* account READ account CONSTANT)
    Q_PROPERTY(QString currentPIN READ currentPIN WRITE setCurrentPIN NOTIFY changed)
    Q_PROPERTY(QString newPIN READ newPIN WRITE setNewPIN NOTIFY changed)
    Q_PROPERTY(QString confirmPIN READ confirmPIN WRITE setConfirmPIN NOTIFY changed)
    Q_PROPERTY(bool showsMismatch READ showsMismatch NOTIFY changed)
    Q_PROPERTY(bool canSave READ canSave NOTIFY changed)

public:
    PinSettingsViewModel(const ScreenDependencies& dependencies, PlayerSettingsViewModel& window,
                         QObject* parent = nullptr);

    MacAccountStore* account() const { return &m_d.account; }
    QString currentPIN() const { return m_currentPIN; }
    void setCurrentPIN(const QString& pin);
    QString newPIN() const { return m_newPIN; }
    void setNewPIN(const QString& pin);
    QString confirmPIN() const { return m_confirmPIN; }
    void setConfirmPIN(const QString& pin);
    bool showsMismatch() const { return !m_confirmPIN.isEmpty() && m_confirmPIN != m_newPIN; }
    bool canSave() const;

    Q_INVOKABLE void save();
    QCoro::Task<> runSave();

signals:
    void changed();

private:
    const ScreenDependencies& m_d;
    QString m_currentPIN;
    QString m_newPIN;
    QString m_confirmPIN;
};

} // namespace molvena
