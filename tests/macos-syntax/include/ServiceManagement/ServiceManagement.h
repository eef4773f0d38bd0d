// SMAppService (macOS 13 and later): the running application registered as its own login item.
#pragma once

#import <Foundation/Foundation.h>

NS_ASSUME_NONNULL_BEGIN

// 0 not registered, 1 enabled, 2 requires approval, 3 not found: the adapter passes the number on.
typedef NS_ENUM(NSInteger, SMAppServiceStatus) {};

// The code of a registration refused because the item is registered already.
enum { kSMErrorAlreadyRegistered = 12 };

@interface SMAppService : NSObject
// Swift's `SMAppService.mainApp`.
@property(class, readonly) SMAppService* mainAppService;
@property(readonly) SMAppServiceStatus status;
- (BOOL)registerAndReturnError:(NSError* _Nullable* _Nullable)error;
- (BOOL)unregisterAndReturnError:(NSError* _Nullable* _Nullable)error;
+ (void)openSystemSettingsLoginItems;
@end

NS_ASSUME_NONNULL_END
