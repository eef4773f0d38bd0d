#include "MacDeviceInfo.h"

#include "MacStrings.h"

#import <Foundation/Foundation.h>
#import <SystemConfiguration/SystemConfiguration.h>

namespace molvena {

namespace {

std::optional<QString> infoPlistText(NSString* key) {
    id value = [NSBundle.mainBundle objectForInfoDictionaryKey:key];
    if (![value isKindOfClass:[NSString class]]) {
        return std::nullopt;
    }
    return mac::toQString(static_cast<NSString*>(value));
}

} // namespace

MacDeviceInfo::MacDeviceInfo() = default;

QString MacDeviceInfo::computerName() const {
    NSString* name = CFBridgingRelease(SCDynamicStoreCopyComputerName(nullptr, nullptr));
    return mac::toQString(name);
}

QString MacDeviceInfo::bundlePath() const {
    return mac::toQString(NSBundle.mainBundle.bundleURL.path);
}

std::optional<QString> MacDeviceInfo::bundleIdentifier() const {
    return mac::toOptionalQString(NSBundle.mainBundle.bundleIdentifier);
}

std::optional<QString> MacDeviceInfo::shortVersion() const {
    return infoPlistText(@"CFBundleShortVersionString");
}

std::optional<QString> MacDeviceInfo::buildVersion() const {
    return infoPlistText(@"CFBundleVersion");
}

} // namespace molvena
