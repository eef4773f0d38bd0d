// AppKit: the workspace (opening URLs, the wake notification), the window's title bar and appearance.
#pragma once

#import <Foundation/Foundation.h>

NS_ASSUME_NONNULL_BEGIN

@interface NSWorkspace : NSObject
@property(class, readonly, strong) NSWorkspace* sharedWorkspace;
// The workspace's own centre: NSWorkspace notifications are posted only here.
@property(readonly, strong) NSNotificationCenter* notificationCenter;
// Opens a web page, a settings deep link, an application (launches it) or a folder (in the Finder).
- (BOOL)openURL:(NSURL*)url;
@end

MOLVENA_EXTERN_C NSNotificationName const NSWorkspaceDidWakeNotification;

typedef NSString* NSAppearanceName;
MOLVENA_EXTERN_C NSAppearanceName const NSAppearanceNameAqua;

@interface NSAppearance : NSObject
+ (nullable NSAppearance*)appearanceNamed:(NSAppearanceName)name;
@end

typedef NS_OPTIONS(NSUInteger, NSWindowStyleMask) {
    NSWindowStyleMaskFullSizeContentView = 1 << 15,
};

typedef NS_ENUM(NSInteger, NSWindowTitleVisibility) {
    NSWindowTitleHidden = 1,
};

typedef NS_ENUM(NSInteger, NSWindowTabbingMode) {
    NSWindowTabbingModeDisallowed = 2,
};

@class NSWindow;

@interface NSResponder : NSObject
@end

@interface NSView : NSResponder
@property(nullable, readonly, weak) NSWindow* window;
@end

// `appearance` comes from the NSAppearanceCustomization protocol, which both classes adopt.
@interface NSWindow : NSResponder
@property NSWindowStyleMask styleMask;
@property BOOL titlebarAppearsTransparent;
@property NSWindowTitleVisibility titleVisibility;
@property NSWindowTabbingMode tabbingMode;
@property(class) BOOL allowsAutomaticWindowTabbing;
@property(nullable, strong) NSAppearance* appearance;
@end

@interface NSApplication : NSResponder
@property(class, readonly, strong) NSApplication* sharedApplication;
@property(nullable, strong) NSAppearance* appearance;
@end

NS_ASSUME_NONNULL_END
