#pragma once

#include <QString>

namespace molvena {

// How the app's texts name the computer it runs on. A Mac is "Mac" as Apple's own texts say; on
// Linux "Mac" would be wrong, so there the texts say "computer" and name browsers Linux has.
struct DeviceNames {
    QString noun;     // "Mac" or "computer", as in "denne Mac"
    QString definite; // "Mac'en"
    QString genitive; // "Mac'ens"
    QString platform; // "Mac" or "Linux", as in "Mac-appen"
    QString browsers; // two browsers people know on this system

    QString thisDevice() const { return QStringLiteral("denne ") + noun; }

    static DeviceNames mac();
    static DeviceNames linuxComputer();
    static DeviceNames forThisSystem();
};

} // namespace molvena
