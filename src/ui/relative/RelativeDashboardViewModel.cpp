#include "RelativeDashboardViewModel.h"

#include "account/MacAccountStore.h"
#include "app/DetachedTask.h"
#include "app/PublishedField.h"

#include <QGuiApplication>
#include <QPointer>
#include <QVariantMap>

namespace molvena {

RelativeDashboardViewModel::RelativeDashboardViewModel(AppSession& session, const APIClient& api,
                                                       QObject* parent)
    : QObject(parent), m_session(session), m_api(api) {
    m_refresh.setInterval(defaultRefreshIntervalMs);
    connect(&m_refresh, &QTimer::timeout, this, &RelativeDashboardViewModel::refreshIfIdle);
    m_refresh.start();
    // Back from the recovery screen, the overview catches up.
    connect(&m_session, &AppSession::showRecoveryChanged, this, &RelativeDashboardViewModel::refreshIfIdle);
    if (auto* application = qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
        connect(application, &QGuiApplication::applicationStateChanged, this,
                [this](Qt::ApplicationState state) {
                    if (state == Qt::ApplicationActive) {
                        refreshIfIdle();
                    }
                });
    }
}

void RelativeDashboardViewModel::refreshIfIdle() {
    if (m_loadsRunning == 0 && !m_session.showRecovery()) {
        reload();
    }
}

QString RelativeDashboardViewModel::placeholderText() const {
    return m_error.isEmpty() ? QStringLiteral("Henter støtteoverblik…") : m_error;
}

QString RelativeDashboardViewModel::playerName() const {
    return m_data ? m_data->summary.playerName : QString();
}

QString RelativeDashboardViewModel::daysClean() const {
    return m_data ? QString::number(m_data->summary.daysClean) : QString();
}

bool RelativeDashboardViewModel::shieldActive() const {
    return m_data && m_data->summary.shieldActive;
}

QString RelativeDashboardViewModel::shieldText() const {
    return shieldActive() ? QStringLiteral("Skjold aktivt") : QStringLiteral("Skjold ikke aktivt");
}

QString RelativeDashboardViewModel::urgeText() const {
    if (!m_data || !m_data->summary.latestUrge) {
        return {};
    }
    return QStringLiteral("Spilletrang %1/10").arg(*m_data->summary.latestUrge);
}

QString RelativeDashboardViewModel::moodText() const {
    if (!m_data || !m_data->summary.latestMood) {
        return {};
    }
    return QStringLiteral("Humør %1/10").arg(*m_data->summary.latestMood);
}

QVariantList RelativeDashboardViewModel::history() const {
    QVariantList rows;
    if (!m_data) {
        return rows;
    }
    for (const RelativeActivity::History& entry : m_data->history) {
        rows.append(QVariantMap{{QStringLiteral("id"), entry.id},
                                {QStringLiteral("title"), entry.title},
                                {QStringLiteral("timestamp"), entry.timestamp},
                                {QStringLiteral("tone"), toneForType(entry.type)}});
    }
    return rows;
}

QString RelativeDashboardViewModel::toneForType(const QString& type) {
    if (type == QLatin1String("blocked")) {
        return QStringLiteral("red");
    }
    if (type == QLatin1String("geofence")) {
        return QStringLiteral("orange");
    }
    return QStringLiteral("blue");
}

void RelativeDashboardViewModel::setError(const QString& error) {
    publish(*this, m_error, error, &RelativeDashboardViewModel::errorChanged);
}

void RelativeDashboardViewModel::reload() {
    startDetached(load(), QStringLiteral("The support overview's load"));
}

void RelativeDashboardViewModel::logOut() {
    m_session.resetSession();
}

QCoro::Task<> RelativeDashboardViewModel::load() {
    QPointer<RelativeDashboardViewModel> self(this);
    if (++m_loadsRunning == 1) {
        emit loadingChanged();
    }
    std::optional<RelativeActivity> answer;
    QString failure;
    try {
        answer = co_await m_api.fetchRelativeActivity(m_session.relativePairingToken());
    } catch (...) {
        failure = MacAccountStore::userMessage(std::current_exception());
    }
    if (!self) {
        co_return;
    }
    if (answer) {
        // Loads may overlap; whichever answer comes last is what shows.
        m_data = std::move(answer);
        setError({});
        emit dataChanged();
    } else {
        setError(failure);
    }
    if (--m_loadsRunning == 0) {
        emit loadingChanged();
    }
}

} // namespace molvena
