#pragma once

#include "ScreenDependencies.h"

#include <QObject>
#include <QString>
#include <QtQml/qqmlregistration.h>
#include <qcoro/qcorotask.h>

#include <optional>

namespace molvena {

class PlayerSettingsViewModel;

// "Månedligt forbrug": the former monthly spend as typed, with Danish thousands separators allowed;
// the store decides whether the amount is within bounds.
class SpendingSettingsViewModel : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("The settings window makes it.")
    Q_PROPERTY(molvena::MacAccountStore* account READ account CONSTANT)
    Q_PROPERTY(QString amountText READ amountText WRITE setAmountText NOTIFY changed)
    Q_PROPERTY(bool canSave READ canSave NOTIFY changed)

public:
    SpendingSettingsViewModel(const ScreenDependencies& dependencies, PlayerSettingsViewModel& window,
                              QObject* parent = nullptr);

    // Every "." and "," dropped, then a whole decimal number with an optional sign ("12.500" is 12500,
    // "1,5" is 15); nothing for anything else.
    static std::optional<qint64> parseAmount(const QString& text);

    MacAccountStore* account() const { return &m_d.account; }
    QString amountText() const { return m_amountText; }
    void setAmountText(const QString& text);
    bool canSave() const { return !m_d.account.isSaving() && parseAmount(m_amountText).has_value(); }

    Q_INVOKABLE void save();
    QCoro::Task<> runSave();

signals:
    void changed();

private:
    const ScreenDependencies& m_d;
    QString m_amountText;
};

} // namespace molvena
