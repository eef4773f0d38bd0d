#include "MacHeartbeatTimer.h"

#include <time.h>

namespace molvena {

MacHeartbeatTimer::MacHeartbeatTimer(QObject* parent) : HeartbeatTimer(parent) {
    m_timer.setSingleShot(true);
    m_timer.setTimerType(Qt::CoarseTimer);
    connect(&m_timer, &QTimer::timeout, this, &MacHeartbeatTimer::checkDeadline);
    connect(&m_wake, &MacWakeNotifier::systemDidWake, this, &MacHeartbeatTimer::checkDeadline);
}

std::chrono::milliseconds MacHeartbeatTimer::now() {
    timespec reading{};
    clock_gettime(CLOCK_MONOTONIC, &reading);
    return std::chrono::seconds(reading.tv_sec) +
           std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::nanoseconds(reading.tv_nsec));
}

void MacHeartbeatTimer::start(std::chrono::milliseconds interval) {
    m_deadline = now() + interval;
    m_isRunning = true;
    m_timer.start(interval);
}

void MacHeartbeatTimer::stop() {
    m_isRunning = false;
    m_timer.stop();
}

void MacHeartbeatTimer::checkDeadline() {
    if (!m_isRunning) {
        return;
    }
    const std::chrono::milliseconds remaining = m_deadline - now();
    if (remaining.count() > 0) {
        // Woken early, or the Qt timer (which pauses in sleep) still has time to go: wait the rest.
        m_timer.start(remaining);
        return;
    }
    m_isRunning = false;
    m_timer.stop();
    emit timeout();
}

} // namespace molvena
