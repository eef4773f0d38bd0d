#include "MacHeartbeatTimer.h"

#import <Foundation/Foundation.h>

#include <time.h>

namespace molvena {

struct MacHeartbeatTimer::Native {
    id<NSObject> activity = nil;
};

MacHeartbeatTimer::MacHeartbeatTimer(QObject* parent)
    : HeartbeatTimer(parent), m_native(std::make_unique<Native>()) {
    m_timer.setSingleShot(true);
    m_timer.setTimerType(Qt::CoarseTimer);
    connect(&m_timer, &QTimer::timeout, this, &MacHeartbeatTimer::checkDeadline);
    connect(&m_wake, &MacWakeNotifier::systemDidWake, this, &MacHeartbeatTimer::checkDeadline);
}

MacHeartbeatTimer::~MacHeartbeatTimer() {
    holdActivity(false);
}

void MacHeartbeatTimer::holdActivity(bool hold) {
    NSProcessInfo* process = NSProcessInfo.processInfo;
    if (hold && m_native->activity == nil) {
        m_native->activity = [process beginActivityWithOptions:NSActivityUserInitiatedAllowingIdleSystemSleep
                                                        reason:@"Molvena holder øje med beskyttelsen"];
    } else if (!hold && m_native->activity != nil) {
        [process endActivity:m_native->activity];
        m_native->activity = nil;
    }
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
    holdActivity(true);
    m_timer.start(interval);
}

void MacHeartbeatTimer::stop() {
    m_isRunning = false;
    holdActivity(false);
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
