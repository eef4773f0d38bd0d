#pragma once

#include "app/Deployment.h"
#include "backend/APIClient.h"
#include "session/PreferenceKeys.h"
#include "session/PreferenceStore.h"

#include <QNetworkAccessManager>
#include <QObject>
#include <QString>
#include <QUrl>

#include <qcoro/qcorotask.h>

namespace molvena {

// The number of gambling domains the web protection blocks, for display. The last number the
// backend gave shows at once on the next start; a failed fetch leaves it as it was.
class DomainCountStore : public QObject {
    Q_OBJECT
    Q_PROPERTY(qint64 count READ count NOTIFY countChanged)
    Q_PROPERTY(QString formattedCount READ formattedCount NOTIFY countChanged)

public:
    static constexpr qint64 fallbackCount = 500000;

    DomainCountStore(PreferenceStore& defaults, QNetworkAccessManager& network, const QUrl& apiBase,
                     QObject* parent = nullptr);

    static QString cacheKey() { return preferenceKeys::cachedBlockedDomainsCount; }

    qint64 count() const { return m_count; }
    // Whole thousands, grouped the Danish way, with "+": 612345 shows as "612.000+".
    QString formattedCount() const;
    static QString formatCount(qint64 count);

    QCoro::Task<> refresh();
    // The same, for a screen that shows the count and does not wait for it.
    Q_INVOKABLE void startRefresh();

signals:
    void countChanged();

private:
    PreferenceStore& m_defaults;
    QNetworkAccessManager& m_network;
    QUrl m_countURL;
    qint64 m_count = fallbackCount;
};

} // namespace molvena
