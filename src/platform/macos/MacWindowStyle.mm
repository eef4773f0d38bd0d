#include "MacWindowStyle.h"

#import <AppKit/AppKit.h>

#include <QGuiApplication>

namespace molvena {

namespace {

void applyStyle(WId nativeView) {
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

} // namespace

void keepMacWindowStyle(QWindow& window) {
    if (QGuiApplication::platformName() != QLatin1String("cocoa")) {
        return;
    }
#if QT_VERSION >= QT_VERSION_CHECK(6, 9, 0)
    // Qt 6.9 re-applies its own style mask on creation, flag changes and full screen; these flags
    // make that style the full-size content under a title bar without a background.
    window.setFlags(window.flags() | Qt::ExpandedClientAreaHint | Qt::NoTitleBarBackgroundHint);
#endif
    window.create();
    applyStyle(window.winId());
    QObject::connect(&window, &QWindow::windowStateChanged, &window, [&window] {
        // After Qt's own handling of the change, which resets the style mask.
        QMetaObject::invokeMethod(
            &window, [&window] { applyStyle(window.winId()); }, Qt::QueuedConnection);
    });
}

} // namespace molvena
