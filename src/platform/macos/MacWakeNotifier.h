#pragma once

#include <QObject>

#include <memory>

namespace molvena {

// macOS: tells when the machine wakes from sleep (NSWorkspaceDidWakeNotification), on the main
// thread, for as long as the object lives.
class MacWakeNotifier : public QObject {
    Q_OBJECT
public:
    explicit MacWakeNotifier(QObject* parent = nullptr);
    ~MacWakeNotifier() override;

signals:
    void systemDidWake();

private:
    struct Native;
    std::unique_ptr<Native> m_native;
};

} // namespace molvena
