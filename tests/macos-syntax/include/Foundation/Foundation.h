// The Foundation classes the adapters use: strings, errors, URLs, the main bundle and notifications.
#pragma once

#import <CoreFoundation/CoreFoundation.h>
#import <dispatch/dispatch.h>
#import <objc/NSObject.h>

NS_ASSUME_NONNULL_BEGIN

@interface NSString : NSObject
+ (nullable instancetype)stringWithUTF8String:(const char*)nullTerminatedCString;
@property(nullable, readonly) const char* UTF8String NS_RETURNS_INNER_POINTER;
@end

@interface NSError : NSObject
@property(readonly) NSInteger code;
@property(readonly, copy) NSString* localizedDescription;
@end

@interface NSString (NSStringExtensionMethods)
- (BOOL)hasPrefix:(NSString*)str;
@end

@interface NSNumber : NSObject
@property(readonly) BOOL boolValue;
@end

typedef NSString* NSURLResourceKey;
// An NSNumber: whether the volume holding the resource is read-only.
MOLVENA_EXTERN_C NSURLResourceKey const NSURLVolumeIsReadOnlyKey;

@interface NSURL : NSObject
+ (nullable instancetype)URLWithString:(NSString*)URLString;
+ (NSURL*)fileURLWithPath:(NSString*)path;
@property(nullable, readonly, copy) NSString* path;
- (BOOL)getResourceValue:(out id _Nullable* _Nonnull)value
                  forKey:(NSURLResourceKey)key
                   error:(out NSError* _Nullable* _Nullable)error;
@end

// NSActivityUserInitiated (0x00FFFFFF) without NSActivityIdleSystemSleepDisabled (1 << 20).
typedef NS_OPTIONS(uint64_t, NSActivityOptions) {
    NSActivityUserInitiatedAllowingIdleSystemSleep = 0x00EFFFFFULL
};

@interface NSProcessInfo : NSObject
@property(class, readonly, strong) NSProcessInfo* processInfo;
// The token keeps the activity going until it is passed to -endActivity:.
- (id<NSObject>)beginActivityWithOptions:(NSActivityOptions)options reason:(NSString*)reason;
- (void)endActivity:(id<NSObject>)activity;
@end

@interface NSBundle : NSObject
@property(class, readonly, strong) NSBundle* mainBundle;
@property(readonly, copy) NSURL* bundleURL;
@property(nullable, readonly, copy) NSString* bundleIdentifier;
- (nullable id)objectForInfoDictionaryKey:(NSString*)key;
@end

typedef NSString* NSNotificationName;
@class NSNotification;

@interface NSOperationQueue : NSObject
@property(class, readonly, strong) NSOperationQueue* mainQueue;
@end

@interface NSNotificationCenter : NSObject
- (id<NSObject>)addObserverForName:(nullable NSNotificationName)name
                            object:(nullable id)obj
                             queue:(nullable NSOperationQueue*)queue
                        usingBlock:(void (^)(NSNotification* notification))block;
- (void)removeObserver:(id)observer;
@end

// Hands a CoreFoundation object that the caller owns to ARC.
NS_INLINE id _Nullable CFBridgingRelease(CFTypeRef _Nullable CF_CONSUMED X) {
    return (__bridge_transfer id)X;
}

NS_ASSUME_NONNULL_END
