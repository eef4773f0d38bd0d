#pragma once

#include "backend/ConnectedRelative.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QUrl>
#include <QVariantList>

#include <QCoro/QCoroTask>

#include <chrono>
#include <optional>

class QNetworkAccessManager;

namespace molvena {

// Which relatives have paired with this player's code. Each screen that lists them owns one and
// refreshes it itself. Every failure is silent: the last good list stays, nothing is shown or logged.
class PlayerConnectionStatusStore : public QObject {
    Q_OBJECT
    // Maps of id, label (the masked address), platformLabel (empty when absent), createdAt.
    Q_PROPERTY(QVariantList relatives READ relativeList NOTIFY relativesChanged)
    // A good reply has arrived at least once: tells a loaded empty list from one not loaded yet.
    Q_PROPERTY(bool didLoad READ didLoad NOTIFY didLoadChanged)

public:
    static constexpr std::chrono::milliseconds requestTimeout{12'000};

    // `apiBase` is the backend's API root (path "/api/"); `network` must outlive the store.
    PlayerConnectionStatusStore(QNetworkAccessManager& network, QUrl apiBase, QObject* parent = nullptr);

    const QList<ConnectedRelative>& relatives() const { return m_relatives; }
    QVariantList relativeList() const;
    bool didLoad() const { return m_didLoad; }

    // Asks the backend for the relatives of the player this device belongs to; never fails.
    QCoro::Task<> refreshConnections(QString deviceToken);

    // The relative's e-mail address with most of the local part hidden ("an•••••@example.dk"), or
    // "Tilknyttet støtteperson" when there is no address.
    static QString displayLabel(const ConnectedRelative& relative);
    static QString maskedEmail(const QString& email);
    // The platform in upper case; nothing when the backend named none.
    static std::optional<QString> platformLabel(const ConnectedRelative& relative);

signals:
    void relativesChanged();
    void didLoadChanged();

private:
    QNetworkAccessManager& m_network;
    QUrl m_statusURL;
    QList<ConnectedRelative> m_relatives;
    bool m_didLoad = false;
};

} // namespace molvena
