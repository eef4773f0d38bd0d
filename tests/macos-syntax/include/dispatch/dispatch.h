// libdispatch as Objective-C sees it: with ARC, queues and attributes are Objective-C objects
// (OS_OBJECT_USE_OBJC), retained and released by the compiler.
#pragma once

#import <objc/NSObject.h>

NS_ASSUME_NONNULL_BEGIN

@protocol OS_dispatch_object <NSObject>
@end
@protocol OS_dispatch_queue <OS_dispatch_object>
@end
@protocol OS_dispatch_queue_attr <OS_dispatch_object>
@end
typedef NSObject<OS_dispatch_queue>* dispatch_queue_t;
typedef NSObject<OS_dispatch_queue_attr>* dispatch_queue_attr_t;

// The serial attribute is the null attribute.
#define DISPATCH_QUEUE_SERIAL NULL

// <sys/qos.h>; the value is the documented raw value.
typedef enum : unsigned int {
    QOS_CLASS_UTILITY = 0x11,
} qos_class_t;
typedef qos_class_t dispatch_qos_class_t;

MOLVENA_EXTERN_C dispatch_queue_attr_t dispatch_queue_attr_make_with_qos_class(
    dispatch_queue_attr_t _Nullable attr, dispatch_qos_class_t qos_class, int relative_priority);
MOLVENA_EXTERN_C dispatch_queue_t dispatch_queue_create(const char* _Nullable label,
                                                        dispatch_queue_attr_t _Nullable attr);

NS_ASSUME_NONNULL_END
