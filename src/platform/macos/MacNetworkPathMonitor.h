#pragma once

#include "platform/NetworkPathMonitor.h"

#include <memory>

namespace molvena {

// macOS: Network.framework's path monitor. Updates arrive on a serial utility queue; each is turned
// into a NetworkPath there and handed to the main thread, where it becomes current and is published.
// Until the first update the current path is empty.
class MacNetworkPathMonitor : public NetworkPathMonitor {
    Q_OBJECT
public:
    explicit MacNetworkPathMonitor(QObject* parent = nullptr);
    ~MacNetworkPathMonitor() override;

    bool start() override;
    bool isStarted() const override;
    NetworkPath currentPath() const override;

private:
    void deliver(const NetworkPath& path);

    struct Native;
    std::unique_ptr<Native> m_native;
    NetworkPath m_current;
};

} // namespace molvena
