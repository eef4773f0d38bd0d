#pragma once

#include "platform/HeartbeatTimer.h"

#include <QTimer>

namespace molvena::test {

// A heartbeat on a plain Qt timer, the same on every system: a test never sleeps the machine, so
// the platforms' sleep-aware timers (tested on their own) add nothing but their OS services.
class SteadyHeartbeatTimer : public HeartbeatTimer {
public:
    SteadyHeartbeatTimer() {
        m_timer.setSingleShot(true);
        connect(&m_timer, &QTimer::timeout, this, &HeartbeatTimer::timeout);
    }
    void start(std::chrono::milliseconds interval) override { m_timer.start(interval); }
    void stop() override { m_timer.stop(); }

private:
    QTimer m_timer;
};

} // namespace molvena::test
