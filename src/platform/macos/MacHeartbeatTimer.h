#pragma once

#include "MacWakeNotifier.h"
#include "platform/HeartbeatTimer.h"

#include <QTimer>

#include <chrono>
#include <memory>

namespace molvena {

// macOS: the deadline is kept on CLOCK_MONOTONIC, which on macOS goes on counting while the Mac
// sleeps; a Qt timer does the waiting while awake, and the wake notification checks the deadline at
// once, so a wait that ran out during sleep ends as the Mac wakes. While a wait runs the app holds
// a user-initiated activity, so App Nap does not stretch the timer while the window is closed or
// hidden (idle system sleep stays allowed: the clock counts through it).
class MacHeartbeatTimer : public HeartbeatTimer {
    Q_OBJECT
public:
    explicit MacHeartbeatTimer(QObject* parent = nullptr);
    ~MacHeartbeatTimer() override;

    void start(std::chrono::milliseconds interval) override;
    void stop() override;

private:
    void checkDeadline();
    static std::chrono::milliseconds now();
    void holdActivity(bool hold);

    struct Native;
    std::unique_ptr<Native> m_native;

    MacWakeNotifier m_wake;
    QTimer m_timer;
    std::chrono::milliseconds m_deadline{0};
    bool m_isRunning = false;
};

} // namespace molvena
