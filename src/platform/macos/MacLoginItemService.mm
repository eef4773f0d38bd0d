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

std::optional<LoginItemError> MacLoginItemService::registerApplication() {
    NSError* error = nil;
    if ([SMAppService.mainAppService registerAndReturnError:&error]) {
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
