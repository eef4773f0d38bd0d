// CoreFoundation types that cross into Objective-C through CFBridgingRelease.
#pragma once

#include <stdint.h>

typedef const void* CFTypeRef;
typedef const struct __CFString* CFStringRef;
typedef uint32_t CFStringEncoding;

#ifdef __cplusplus
#define CF_EXPORT extern "C"
#else
#define CF_EXPORT extern
#endif

#define CF_RETURNS_RETAINED __attribute__((cf_returns_retained))
#define CF_CONSUMED __attribute__((cf_consumed))
