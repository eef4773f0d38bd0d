// Network.framework's C API for watching the path, as Objective-C sees it: with ARC the nw_*
// objects are Objective-C objects (OS_OBJECT_USE_OBJC), so no nw_retain/nw_release.
#pragma once

#import <dispatch/dispatch.h>
#import <objc/NSObject.h>

NS_ASSUME_NONNULL_BEGIN

#define NW_NOESCAPE __attribute__((noescape))

@protocol OS_nw_object <NSObject>
@end
@protocol OS_nw_path_monitor <OS_nw_object>
@end
@protocol OS_nw_path <OS_nw_object>
@end
@protocol OS_nw_interface <OS_nw_object>
@end
typedef NSObject<OS_nw_path_monitor>* nw_path_monitor_t;
typedef NSObject<OS_nw_path>* nw_path_t;
typedef NSObject<OS_nw_interface>* nw_interface_t;

typedef enum {
    nw_interface_type_other = 0, // virtual and tunnel interfaces
} nw_interface_type_t;

typedef enum {
    nw_path_status_satisfied = 1,
} nw_path_status_t;

typedef void (^nw_path_monitor_update_handler_t)(nw_path_t path);
// Return true to go on to the next interface.
typedef bool (^nw_path_enumerate_interfaces_block_t)(nw_interface_t interface);

MOLVENA_EXTERN_C nw_path_monitor_t nw_path_monitor_create(void);
MOLVENA_EXTERN_C void nw_path_monitor_set_queue(nw_path_monitor_t monitor, dispatch_queue_t queue);
MOLVENA_EXTERN_C void nw_path_monitor_set_update_handler(nw_path_monitor_t monitor,
                                                         nw_path_monitor_update_handler_t update_handler);
MOLVENA_EXTERN_C void nw_path_monitor_start(nw_path_monitor_t monitor);
MOLVENA_EXTERN_C void nw_path_monitor_cancel(nw_path_monitor_t monitor);

MOLVENA_EXTERN_C nw_path_status_t nw_path_get_status(nw_path_t path);
MOLVENA_EXTERN_C bool nw_path_has_dns(nw_path_t path);
MOLVENA_EXTERN_C bool nw_path_uses_interface_type(nw_path_t path, nw_interface_type_t interface_type);
// The block runs only during the call (NW_NOESCAPE), so it may capture __block locals.
MOLVENA_EXTERN_C void
nw_path_enumerate_interfaces(nw_path_t path,
                             NW_NOESCAPE nw_path_enumerate_interfaces_block_t enumerate_block);

MOLVENA_EXTERN_C nw_interface_type_t nw_interface_get_type(nw_interface_t interface);
MOLVENA_EXTERN_C const char* nw_interface_get_name(nw_interface_t interface);

NS_ASSUME_NONNULL_END
