#pragma once

#include <QObject>

#include <chrono>

namespace molvena {

// A one-shot timer on a clock that keeps counting while the computer sleeps: the time set is time
// in the world, and a wait that ran out during sleep ends as soon as the computer wakes. Qt's own
// timers stop counting in sleep, so a five-minute heartbeat could otherwise be hours late.
class HeartbeatTimer : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    // Starts (or starts again) the wait; timeout() follows once, after `interval`.
    virtual void start(std::chrono::milliseconds interval) = 0;
    virtual void stop() = 0;

signals:
    void timeout();
};

} // namespace molvena
