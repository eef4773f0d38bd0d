#pragma once

#include "backend/APIClient.h"
#include "session/AppSession.h"

#include <QObject>
#include <QString>
#include <QTimer>
#include <QVariantList>
#include <QtQml/qqmlregistration.h>

#include <qcoro/qcorotask.h>

#include <optional>

namespace molvena {

// The relative's support overview: the followed player's days, shield and recent events, read with
// the stored pairing token each time the overview appears, every minute while it shows and whenever
// the app becomes active again. An answer that arrived once stays on screen when a later load fails.
class RelativeDashboardViewModel : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("The root view model makes it.")
    Q_PROPERTY(bool hasData READ hasData NOTIFY dataChanged)
    Q_PROPERTY(bool loading READ loading NOTIFY loadingChanged)
    Q_PROPERTY(QString error READ error NOTIFY errorChanged)
    Q_PROPERTY(QString placeholderText READ placeholderText NOTIFY errorChanged)
    Q_PROPERTY(QString playerName READ playerName NOTIFY dataChanged)
    Q_PROPERTY(QString daysClean READ daysClean NOTIFY dataChanged)
    Q_PROPERTY(bool shieldActive READ shieldActive NOTIFY dataChanged)
    Q_PROPERTY(QString shieldText READ shieldText NOTIFY dataChanged)
    Q_PROPERTY(QString urgeText READ urgeText NOTIFY dataChanged)
    Q_PROPERTY(QString moodText READ moodText NOTIFY dataChanged)
    // One map per event, in the order received: id, title, timestamp, tone ("red", "orange", "blue").
    Q_PROPERTY(QVariantList history READ history NOTIFY dataChanged)

public:
    RelativeDashboardViewModel(AppSession& session, const APIClient& api, QObject* parent = nullptr);

    bool hasData() const { return m_data.has_value(); }
    bool loading() const { return m_loadsRunning > 0; }
    QString error() const { return m_error; }
    QString placeholderText() const;
    QString playerName() const;
    QString daysClean() const;
    bool shieldActive() const;
    QString shieldText() const;
    // Empty when the backend sent no value.
    QString urgeText() const;
    QString moodText() const;
    QVariantList history() const;

    // The colour family of an event's dot.
    static QString toneForType(const QString& type);

    // Starts a load: when the overview appears and on "Prøv igen".
    Q_INVOKABLE void reload();
    Q_INVOKABLE void logOut();

    // One load, awaitable for tests.
    QCoro::Task<> load();

    static constexpr int defaultRefreshIntervalMs = 60 * 1000;
    void setRefreshInterval(int milliseconds) { m_refresh.setInterval(milliseconds); }

signals:
    void dataChanged();
    void loadingChanged();
    void errorChanged();

private:
    void setError(const QString& error);
    // A refresh that would only queue behind a running load, or run under the recovery screen, is
    // left out.
    void refreshIfIdle();

    AppSession& m_session;
    const APIClient& m_api;

    std::optional<RelativeActivity> m_data;
    int m_loadsRunning = 0;
    QString m_error;
    QTimer m_refresh;
};

} // namespace molvena
