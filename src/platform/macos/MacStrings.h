#pragma once

// Text conversions between Foundation and Qt, for the .mm files only. UTF-8 both ways, so nothing
// depends on Qt's Darwin-only conversions.

#import <Foundation/Foundation.h>

#include <QString>

#include <optional>

namespace molvena::mac {

inline QString toQString(NSString* text) {
    return text ? QString::fromUtf8(text.UTF8String) : QString();
}

inline std::optional<QString> toOptionalQString(NSString* text) {
    return text ? std::optional<QString>(toQString(text)) : std::nullopt;
}

inline NSString* toNSString(const QString& text) {
    return [NSString stringWithUTF8String:text.toUtf8().constData()];
}

} // namespace molvena::mac
