#include "MacWorkspace.h"

#include "MacStrings.h"

#import <AppKit/AppKit.h>
#import <Foundation/Foundation.h>

#include <QFileInfo>

namespace molvena {

namespace {

bool openWithWorkspace(NSURL* url) {
    return url != nil && [NSWorkspace.sharedWorkspace openURL:url];
}

} // namespace

MacWorkspace::MacWorkspace() = default;

bool MacWorkspace::openURL(const QUrl& url) {
    if (!url.isValid()) {
        return false;
    }
    return openWithWorkspace([NSURL URLWithString:mac::toNSString(url.toString(QUrl::FullyEncoded))]);
}

bool MacWorkspace::openApplication(const QString& path) {
    return QFileInfo::exists(path) && openWithWorkspace([NSURL fileURLWithPath:mac::toNSString(path)]);
}

bool MacWorkspace::openFolder(const QString& path) {
    // A file URL of anything but a folder would be opened, or launched, rather than shown.
    return QFileInfo(path).isDir() && openWithWorkspace([NSURL fileURLWithPath:mac::toNSString(path)]);
}

} // namespace molvena
