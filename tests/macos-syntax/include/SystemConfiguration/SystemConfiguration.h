// The dynamic store's computer name: the name the user set under General > Sharing.
#pragma once

#import <CoreFoundation/CoreFoundation.h>

typedef const struct __SCDynamicStore* SCDynamicStoreRef;

// Both arguments may be NULL (a NULL store opens a temporary session). The caller owns the result,
// which is NULL when no name is set.
CF_EXPORT CFStringRef _Nullable SCDynamicStoreCopyComputerName(
    SCDynamicStoreRef _Nullable store, CFStringEncoding* _Nullable nameEncoding) CF_RETURNS_RETAINED;
