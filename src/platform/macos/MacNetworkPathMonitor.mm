#include "MacNetworkPathMonitor.h"

#import <Network/Network.h>
#import <dispatch/dispatch.h>

#include <QCoreApplication>
#include <QPointer>

namespace molvena {

namespace {

bool isOfflinePath(nw_path_t path) {
    return nw_path_get_status(path) != nw_path_status_satisfied || !nw_path_has_dns(path);
}

NetworkPath networkPathFrom(nw_path_t path) {
    NetworkPath result;
    result.isUsable = !isOfflinePath(path);
    result.usesOtherInterface = nw_path_uses_interface_type(path, nw_interface_type_other);
    if (!result.usesOtherInterface) {
        return result;
    }
    __block QStringList names;
    nw_path_enumerate_interfaces(path, ^bool(nw_interface_t interface) {
      if (nw_interface_get_type(interface) == nw_interface_type_other) {
          names.append(QString::fromUtf8(nw_interface_get_name(interface)));
      }
      return true;
    });
    result.otherInterfaceNames = names;
    return result;
}

} // namespace

struct MacNetworkPathMonitor::Native {
    dispatch_queue_t queue = nil;
    nw_path_monitor_t monitor = nil;
};

MacNetworkPathMonitor::MacNetworkPathMonitor(QObject* parent)
    : NetworkPathMonitor(parent), m_native(std::make_unique<Native>()) {
    m_native->queue = dispatch_queue_create(
        "dk.molvena.mac.network-path",
        dispatch_queue_attr_make_with_qos_class(DISPATCH_QUEUE_SERIAL, QOS_CLASS_UTILITY, 0));
}

MacNetworkPathMonitor::~MacNetworkPathMonitor() {
    if (m_native->monitor != nil) {
        nw_path_monitor_cancel(m_native->monitor);
    }
}

bool MacNetworkPathMonitor::start() {
    if (m_native->monitor != nil) {
        return true;
    }
    m_native->monitor = nw_path_monitor_create();
    nw_path_monitor_set_queue(m_native->monitor, m_native->queue);
    // The handler runs on the queue and keeps the monitor only weakly: a hand-off that arrives after
    // the monitor is gone is dropped. The application object outlives every monitor.
    const QPointer<MacNetworkPathMonitor> weakSelf(this);
    nw_path_monitor_set_update_handler(m_native->monitor, ^(nw_path_t path) {
      const NetworkPath networkPath = networkPathFrom(path);
      QMetaObject::invokeMethod(
          QCoreApplication::instance(),
          [weakSelf, networkPath] {
              if (weakSelf) {
                  weakSelf->deliver(networkPath);
              }
          },
          Qt::QueuedConnection);
    });
    nw_path_monitor_start(m_native->monitor);
    return true;
}

bool MacNetworkPathMonitor::isStarted() const {
    return m_native->monitor != nil;
}

NetworkPath MacNetworkPathMonitor::currentPath() const {
    return m_current;
}

void MacNetworkPathMonitor::deliver(const NetworkPath& path) {
    m_current = path;
    emit pathUpdated(path);
}

} // namespace molvena
