#pragma once

#include "platform/HeartbeatTimer.h"

#include <QSocketNotifier>

#include <memory>

namespace molvena {

// Linux: a timerfd on CLOCK_BOOTTIME, which counts time spent suspended; the kernel makes the
// descriptor readable at the deadline, or at resume when the deadline passed during suspend.
class BootTimeHeartbeatTimer : public HeartbeatTimer {
    Q_OBJECT
public:
    explicit BootTimeHeartbeatTimer(QObject* parent = nullptr);
    ~BootTimeHeartbeatTimer() override;

    void start(std::chrono::milliseconds interval) override;
    void stop() override;

private:
    void onExpired();

    int m_descriptor = -1;
    std::unique_ptr<QSocketNotifier> m_notifier;
};

} // namespace molvena
