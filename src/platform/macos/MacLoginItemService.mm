#include "MacLoginItemService.h"

#include "MacStrings.h"

#import <Foundation/Foundation.h>
#import <ServiceManagement/ServiceManagement.h>

namespace molvena {

namespace {

LoginItemError loginItemErrorFrom(NSError* error) {
    return LoginItemError{.code = static_cast<int>(error.code),
                          .description = mac::toQString(error.localizedDescription)};
}

} // namespace

MacLoginItemService::MacLoginItemService() = default;

int MacLoginItemService::status() const {
    return static_cast<int>(SMAppService.mainAppService.status);
}

QString MacLoginItemService::applicationPath() const {
    return mac::toQString(NSBundle.mainBundle.bundleURL.path);
}

bool MacLoginItemService::runsFromInstallLocation() const {
    // A translocated app (opened straight from a download) runs from a random folder elsewhere, so
    // the path alone rules it out; a disk image mounted under /Applications would be read-only.
    NSURL* bundle = NSBundle.mainBundle.bundleURL;
    NSString* path = bundle.path;
    if (path == nil || ![path hasPrefix:@"/Applications/"]) {
        return false;
    }
    id readOnly = nil;
    if (![bundle getResourceValue:&readOnly forKey:NSURLVolumeIsReadOnlyKey error:nil] ||
        ![readOnly isKindOfClass:[NSNumber class]]) {
        return false;
    }
    return !static_cast<NSNumber*>(readOnly).boolValue;
}

std::optional<LoginItemError> MacLoginItemService::registerApplication() {
    NSError* error = nil;
    if ([SMAppService.mainAppService registerAndReturnError:&error] ||
        (error != nil && error.code == kSMErrorAlreadyRegistered)) {
        return std::nullopt;
    }
    return loginItemErrorFrom(error);
}

std::optional<LoginItemError> MacLoginItemService::unregisterApplication() {
    NSError* error = nil;
    if ([SMAppService.mainAppService unregisterAndReturnError:&error]) {
        return std::nullopt;
    }
    return loginItemErrorFrom(error);
}

bool MacLoginItemService::openLoginItemsSettings() {
    [SMAppService openSystemSettingsLoginItems];
    return true;
}

} // namespace molvena
