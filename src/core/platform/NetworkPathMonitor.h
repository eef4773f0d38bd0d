#pragma once

#include "NetworkPath.h"

#include <QObject>

namespace molvena {

// A source of network-path updates. Before start() it delivers nothing; currentPath() can always be
// read at once.
class NetworkPathMonitor : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    // Begins watching; calling it again does nothing. False when the system gave no way to watch
    // (the current path can still be read).
    virtual bool start() = 0;
    virtual bool isStarted() const = 0;
    virtual NetworkPath currentPath() const = 0;

signals:
    // Delivered on the thread the monitor lives on, after the path may have changed.
    void pathUpdated(const molvena::NetworkPath& path);
};

} // namespace molvena
