// The Objective-C root class and the scalar types every framework header below relies on.
#pragma once

#include <stddef.h>
#include <stdint.h>

// Apple silicon's BOOL; the stricter of the two (Intel's is signed char).
typedef bool BOOL;
#define YES __objc_yes
#define NO __objc_no

#define nil nullptr

typedef long NSInteger;
typedef unsigned long NSUInteger;

#define NS_ASSUME_NONNULL_BEGIN _Pragma("clang assume_nonnull begin")
#define NS_ASSUME_NONNULL_END _Pragma("clang assume_nonnull end")
#define NS_RETURNS_INNER_POINTER __attribute__((objc_returns_inner_pointer))
#define NS_INLINE static inline __attribute__((always_inline))

// C++ forms of the enum macros: a fixed underlying type; option sets stay plain integers so that
// `|=` compiles, as it does with the SDK.
#define NS_ENUM(type, name)                                                                                  \
    enum name : type name;                                                                                   \
    enum name : type
#define NS_OPTIONS(type, name)                                                                               \
    type name;                                                                                               \
    enum : type

#ifdef __cplusplus
#define MOLVENA_EXTERN_C extern "C"
#else
#define MOLVENA_EXTERN_C extern
#endif

@protocol NSObject
- (BOOL)isKindOfClass:(Class)aClass;
@end

__attribute__((objc_root_class))
@interface NSObject<NSObject>
+ (Class)class;
@end
