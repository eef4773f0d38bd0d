#include "BootTimeHeartbeatTimer.h"

#include <algorithm>
#include <cstdint>
#include <ctime>
#include <sys/timerfd.h>
#include <unistd.h>

namespace molvena {

BootTimeHeartbeatTimer::BootTimeHeartbeatTimer(QObject* parent) : HeartbeatTimer(parent) {
    m_descriptor = ::timerfd_create(CLOCK_BOOTTIME, TFD_NONBLOCK | TFD_CLOEXEC);
    if (m_descriptor < 0) {
        qFatal("timerfd_create(CLOCK_BOOTTIME) failed");
    }
    m_notifier = std::make_unique<QSocketNotifier>(m_descriptor, QSocketNotifier::Read);
    connect(m_notifier.get(), &QSocketNotifier::activated, this, &BootTimeHeartbeatTimer::onExpired);
}

BootTimeHeartbeatTimer::~BootTimeHeartbeatTimer() {
    m_notifier.reset();
    ::close(m_descriptor);
}

void BootTimeHeartbeatTimer::start(std::chrono::milliseconds interval) {
    const auto wait = std::max(interval, std::chrono::milliseconds(1)); // zero would disarm it
    itimerspec setting{};
    setting.it_value.tv_sec = time_t(wait.count() / 1000);
    setting.it_value.tv_nsec = long(wait.count() % 1000) * 1'000'000;
    ::timerfd_settime(m_descriptor, 0, &setting, nullptr);
}

void BootTimeHeartbeatTimer::stop() {
    const itimerspec disarmed{};
    ::timerfd_settime(m_descriptor, 0, &disarmed, nullptr);
}

void BootTimeHeartbeatTimer::onExpired() {
    std::uint64_t expirations = 0;
    if (::read(m_descriptor, &expirations, sizeof expirations) == ssize_t(sizeof expirations) &&
        expirations > 0) {
        emit timeout();
    }
}

} // namespace molvena
