#include "MacWakeNotifier.h"

#import <AppKit/AppKit.h>
#import <Foundation/Foundation.h>

#include <QPointer>

namespace molvena {

struct MacWakeNotifier::Native {
    id<NSObject> observer = nil;
};

MacWakeNotifier::MacWakeNotifier(QObject* parent) : QObject(parent), m_native(std::make_unique<Native>()) {
    const QPointer<MacWakeNotifier> weakSelf(this);
    // Workspace notifications are posted only to the workspace's own centre; the main queue delivers
    // on the thread Qt's event loop runs on.
    m_native->observer =
        [NSWorkspace.sharedWorkspace.notificationCenter addObserverForName:NSWorkspaceDidWakeNotification
                                                                    object:nil
                                                                     queue:NSOperationQueue.mainQueue
                                                                usingBlock:^(NSNotification*) {
                                                                  if (weakSelf) {
                                                                      emit weakSelf->systemDidWake();
                                                                  }
                                                                }];
}

MacWakeNotifier::~MacWakeNotifier() {
    [NSWorkspace.sharedWorkspace.notificationCenter removeObserver:m_native->observer];
}

} // namespace molvena
