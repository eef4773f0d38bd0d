#include "SpendingSettingsViewModel.h"

#include "app/DetachedTask.h"
#include "app/PublishedField.h"

#include <QPointer>

#include <cmath>

namespace molvena {

SpendingSettingsViewModel::SpendingSettingsViewModel(const ScreenDependencies& dependencies,
                                                     PlayerSettingsViewModel&, QObject* parent)
    : QObject(parent), m_d(dependencies),
      m_amountText(QString::number(qint64(std::trunc(m_d.session.monthlySpendDKK())))) {
    connect(&m_d.account, &MacAccountStore::isSavingChanged, this, &SpendingSettingsViewModel::changed);
}

std::optional<qint64> SpendingSettingsViewModel::parseAmount(const QString& text) {
    QString digits = text;
    digits.remove(QLatin1Char('.')).remove(QLatin1Char(','));
    qsizetype start = 0;
    if (digits.startsWith(QLatin1Char('+')) || digits.startsWith(QLatin1Char('-'))) {
        start = 1;
    }
    if (digits.size() == start) {
        return std::nullopt;
    }
    for (qsizetype index = start; index < digits.size(); ++index) {
        if (digits[index] < QLatin1Char('0') || digits[index] > QLatin1Char('9')) {
            return std::nullopt;
        }
    }
    bool ok = false;
    // A leading "+" is Qt's to read as well; a number past 64 bits is unreadable.
    const qint64 amount = digits.toLongLong(&ok, 10);
    return ok ? std::optional<qint64>(amount) : std::nullopt;
}

void SpendingSettingsViewModel::setAmountText(const QString& text) {
    publish(*this, m_amountText, text, &SpendingSettingsViewModel::changed);
}

void SpendingSettingsViewModel::save() {
    const std::optional<qint64> amount = parseAmount(m_amountText);
    if (!amount || m_d.account.isSaving()) {
        return;
    }
    startDetached(runSave(), QStringLiteral("Saving the monthly spend"));
}

QCoro::Task<> SpendingSettingsViewModel::runSave() {
    const std::optional<qint64> amount = parseAmount(m_amountText);
    if (!amount) {
        co_return;
    }
    // The store checks the interval and shows the outcome; nothing here changes afterwards.
    co_await m_d.account.saveMonthlySpend(*amount, m_d.session);
}

} // namespace molvena
