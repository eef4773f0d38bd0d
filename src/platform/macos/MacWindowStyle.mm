#include "MacWindowStyle.h"

#import <AppKit/AppKit.h>

namespace molvena {

void applyMacWindowStyle(WId nativeView) {
    NSView* view = (__bridge NSView*)reinterpret_cast<void*>(nativeView);
    NSWindow* window = view.window;
    if (window == nil) {
        return;
    }
    NSAppearance* light = [NSAppearance appearanceNamed:NSAppearanceNameAqua];
    NSApplication.sharedApplication.appearance = light;
    window.appearance = light;
    window.styleMask |= NSWindowStyleMaskFullSizeContentView;
    window.titlebarAppearsTransparent = YES;
    window.titleVisibility = NSWindowTitleHidden;
    NSWindow.allowsAutomaticWindowTabbing = NO;
    window.tabbingMode = NSWindowTabbingModeDisallowed;
}

} // namespace molvena
