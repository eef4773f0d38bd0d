#include "PlayerConnectionStatusStore.h"

#include "app/TextInput.h"
#include "app/PublishedField.h"
#include "app/LaterDeleter.h"
#include "backend/StrictJson.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPointer>
#include <QUrlQuery>

#include <QCoro/QCoroNetworkReply>

#include <algorithm>

namespace molvena {

namespace {

const QString kUnnamedRelative = QStringLiteral("Tilknyttet støtteperson");
const QString kBullet = QStringLiteral("\u2022");
constexpr qsizetype kShownCharacters = 2;
constexpr qsizetype kMostBullets = 5;

QUrl statusURL(QUrl apiBase) {
    QString path = apiBase.path();
    if (!path.endsWith(QLatin1Char('/'))) {
        path += QLatin1Char('/');
    }
    apiBase.setPath(path + QStringLiteral("mac_player_status.php"));
    return apiBase;
}

// The address split at its first at sign the way a person reads it: empty pieces are dropped, and
// only a split that was really made counts towards the one allowed.
QStringList splitAtFirstAtSign(const QString& address) {
    const QStringList characters = textInput::visibleCharacters(address);
    QStringList pieces;
    QString current;
    qsizetype index = 0;
    for (; index < characters.size(); ++index) {
        if (characters.at(index) != QLatin1String("@")) {
            current += characters.at(index);
            continue;
        }
        if (!current.isEmpty()) {
            pieces.append(current);
            current.clear();
            ++index;
            break;
        }
    }
    for (; index < characters.size(); ++index) {
        current += characters.at(index);
    }
    if (!current.isEmpty()) {
        pieces.append(current);
    }
    return pieces;
}

} // namespace

PlayerConnectionStatusStore::PlayerConnectionStatusStore(QNetworkAccessManager& network, QUrl apiBase,
                                                         QObject* parent)
    : QObject(parent), m_network(network), m_statusURL(statusURL(std::move(apiBase))) {}

QVariantList PlayerConnectionStatusStore::relativeList() const {
    QVariantList list;
    list.reserve(m_relatives.size());
    for (const ConnectedRelative& relative : m_relatives) {
        list.append(
            QVariantMap{{QStringLiteral("id"), relative.id},
                        {QStringLiteral("label"), displayLabel(relative)},
                        {QStringLiteral("platformLabel"), platformLabel(relative).value_or(QString())},
                        {QStringLiteral("createdAt"), relative.createdAt.value_or(QString())}});
    }
    return list;
}

QCoro::Task<> PlayerConnectionStatusStore::refreshConnections(QString deviceToken) {
    if (deviceToken.isEmpty()) {
        co_return;
    }
    QUrl url = m_statusURL;
    QUrlQuery query;
    query.addQueryItem(QStringLiteral("device_token"), deviceToken);
    url.setQuery(query);
    if (!url.isValid()) {
        co_return;
    }

    QNetworkRequest request(url);
    request.setTransferTimeout(int(requestTimeout.count()));
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    request.setAttribute(QNetworkRequest::CacheSaveControlAttribute, false);

    const QPointer<PlayerConnectionStatusStore> self(this);
    const DeletedLater<QNetworkReply> reply(m_network.get(request));
    co_await reply.get();
    if (!self) {
        co_return;
    }

    const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (!status.isValid() || status.toInt() < 200 || status.toInt() > 299) {
        co_return;
    }
    if (reply->error() != QNetworkReply::NoError) {
        co_return; // cut off after the status line arrived
    }
    PlayerConnectionStatus received;
    try {
        received = decodeStrictly<PlayerConnectionStatus>(reply->readAll());
    } catch (const std::exception&) {
        co_return;
    }
    // `success` is not consulted: a reply that says false with an empty list empties the list.
    publish(*this, m_relatives, received.relatives, &PlayerConnectionStatusStore::relativesChanged);
    publish(*this, m_didLoad, true, &PlayerConnectionStatusStore::didLoadChanged);
}

QString PlayerConnectionStatusStore::displayLabel(const ConnectedRelative& relative) {
    if (!relative.email || relative.email->isEmpty()) {
        return kUnnamedRelative;
    }
    return maskedEmail(*relative.email);
}

QString PlayerConnectionStatusStore::maskedEmail(const QString& email) {
    if (email.isEmpty()) {
        return kUnnamedRelative;
    }
    const QStringList pieces = splitAtFirstAtSign(email);
    if (pieces.size() != 2) {
        return email;
    }
    const QStringList local = textInput::visibleCharacters(pieces.first());
    QString masked;
    if (local.size() <= kShownCharacters) {
        masked = kBullet.repeated(std::max<qsizetype>(local.size(), 1));
    } else {
        masked = local.mid(0, kShownCharacters).join(QString()) +
                 kBullet.repeated(std::min(local.size() - kShownCharacters, kMostBullets));
    }
    return masked + QLatin1Char('@') + pieces.at(1);
}

std::optional<QString> PlayerConnectionStatusStore::platformLabel(const ConnectedRelative& relative) {
    if (!relative.platform) {
        return std::nullopt;
    }
    return relative.platform->toUpper();
}

} // namespace molvena
