#pragma once

#include "MacWakeNotifier.h"
#include "platform/HeartbeatTimer.h"

#include <QTimer>

#include <chrono>

namespace molvena {

// macOS: the deadline is kept on CLOCK_MONOTONIC, which on macOS goes on counting while the Mac
// sleeps; a Qt timer does the waiting while awake, and the wake notification checks the deadline at
// once, so a wait that ran out during sleep ends as the Mac wakes.
class MacHeartbeatTimer : public HeartbeatTimer {
    Q_OBJECT
public:
    explicit MacHeartbeatTimer(QObject* parent = nullptr);

    void start(std::chrono::milliseconds interval) override;
    void stop() override;

private:
    void checkDeadline();
    static std::chrono::milliseconds now();

    MacWakeNotifier m_wake;
    QTimer m_timer;
    std::chrono::milliseconds m_deadline{0};
    bool m_isRunning = false;
};

} // namespace molvena
