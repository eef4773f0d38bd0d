#include "HistorySettingsViewModel.h"

#include "account/HistoryTimestamp.h"
#include "account/PlayerConnectionStatusStore.h"
#include "app/DetachedTask.h"

#include <QRegularExpression>
#include <QVariantMap>

namespace molvena {

HistorySettingsViewModel::HistorySettingsViewModel(const ScreenDependencies& dependencies,
                                                   PlayerSettingsViewModel& /*window*/, QObject* parent)
    : QObject(parent), m_d(dependencies), m_zone(QTimeZone::systemTimeZone()) {
    connect(&m_d.account, &MacAccountStore::historyChanged, this, &HistorySettingsViewModel::changed);
    connect(&m_d.account, &MacAccountStore::isLoadingHistoryChanged, this,
            &HistorySettingsViewModel::changed);
    connect(&m_d.account, &MacAccountStore::lastErrorChanged, this, &HistorySettingsViewModel::changed);
}

QString HistorySettingsViewModel::withMaskedAddresses(QString text) {
    // A relative's address is shown masked wherever the player sees it, as under "Støttenetværk".
    static const QRegularExpression address(QStringLiteral("[^\\s@<>()]+@[^\\s@<>()]+"));
    QRegularExpressionMatchIterator matches = address.globalMatch(text);
    QList<QRegularExpressionMatch> found;
    while (matches.hasNext()) {
        found.prepend(matches.next());
    }
    for (const QRegularExpressionMatch& match : found) {
        text.replace(match.capturedStart(), match.capturedLength(),
                     PlayerConnectionStatusStore::maskedEmail(match.captured()));
    }
    return text;
}

QString HistorySettingsViewModel::iconFor(const QString& type) {
    if (type == QLatin1String("blocked")) {
        return QStringLiteral("exclamationmark.shield.fill");
    }
    if (type == QLatin1String("milestone")) {
        return QStringLiteral("star.fill");
    }
    if (type == QLatin1String("vpn")) {
        return QStringLiteral("network");
    }
    return QStringLiteral("shield.lefthalf.filled");
}

bool HistorySettingsViewModel::isPositive(const QString& type) {
    return type == QLatin1String("milestone");
}

QVariantList HistorySettingsViewModel::rows() const {
    QVariantList rows;
    for (const MacHistoryItem& item : m_d.account.history()) {
        rows.append(QVariantMap{
            {QStringLiteral("id"), item.id},
            {QStringLiteral("icon"), iconFor(item.type)},
            {QStringLiteral("positive"), isPositive(item.type)},
            {QStringLiteral("title"), withMaskedAddresses(item.title)},
            {QStringLiteral("subtitle"), withMaskedAddresses(item.subtitle.value_or(QString()))},
            {QStringLiteral("time"), formatHistoryTimestamp(item.createdAt, m_locale, m_zone)},
        });
    }
    return rows;
}

QString HistorySettingsViewModel::refreshButtonText() const {
    return loading() ? QStringLiteral("Henter…") : QStringLiteral("Opdater historik");
}

void HistorySettingsViewModel::refresh() {
    // The store outlives the page, so the load needs no guard of its own.
    startDetached(m_d.account.loadHistory(m_d.session.deviceToken()), QStringLiteral("The history's load"));
}

} // namespace molvena
