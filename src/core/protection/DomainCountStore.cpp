#include "DomainCountStore.h"

#include "app/DetachedTask.h"
#include "app/LaterDeleter.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>
#include <QLocale>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPointer>

#include <qcoro/qcoronetworkreply.h>

#include <cmath>
#include <memory>

namespace molvena {

namespace {

// The time-out a default URL session gives a request.
constexpr int kRequestTimeoutMs = 60000;

std::optional<qint64> wholeNumber(const QJsonValue& value) {
    if (!value.isDouble()) {
        return std::nullopt;
    }
    const double number = value.toDouble();
    if (!std::isfinite(number) || number != std::trunc(number) || std::abs(number) > 9.0e15) {
        return std::nullopt;
    }
    return qint64(number);
}

} // namespace

DomainCountStore::DomainCountStore(PreferenceStore& defaults, QNetworkAccessManager& network,
                                   const QUrl& apiBase, QObject* parent)
    : QObject(parent), m_defaults(defaults), m_network(network),
      m_countURL(apiBase.resolved(QUrl(QStringLiteral("count.php")))) {
    const qint64 cached = m_defaults.integer(cacheKey(), 0);
    m_count = cached >= 1 ? cached : fallbackCount;
}

QString DomainCountStore::formatCount(qint64 count) {
    const qint64 thousands = std::max<qint64>(count / 1000 * 1000, 1000);
    const QLocale danish(QLocale::Danish, QLocale::Denmark);
    QString text = danish.toString(thousands);
    if (text.isEmpty()) {
        text = QString::number(thousands);
    } else if (danish.groupSeparator() != QLatin1String(".")) {
        text.replace(danish.groupSeparator(), QStringLiteral("."));
    }
    return text + QLatin1Char('+');
}

QString DomainCountStore::formattedCount() const {
    return formatCount(m_count);
}

void DomainCountStore::startRefresh() {
    startDetached(refresh(), QStringLiteral("The blocked-domain count refresh"));
}

QCoro::Task<> DomainCountStore::refresh() {
    QPointer<DomainCountStore> self(this);
    QNetworkRequest request(m_countURL);
    request.setTransferTimeout(kRequestTimeoutMs);
    const DeletedLater<QNetworkReply> reply(m_network.get(request));
    co_await reply.get();
    if (!self) {
        co_return;
    }

    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (reply->error() != QNetworkReply::NoError || status < 200 || status > 299) {
        co_return;
    }
    const QJsonDocument document = QJsonDocument::fromJson(reply->readAll());
    if (!document.isObject()) {
        co_return;
    }
    const std::optional<qint64> count = wholeNumber(document.object().value(QStringLiteral("count")));
    if (!count || *count < 1) {
        co_return;
    }
    if (m_count != *count) {
        m_count = *count;
        emit countChanged();
    }
    m_defaults.setValue(cacheKey(), *count);
}

} // namespace molvena
