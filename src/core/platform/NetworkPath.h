#pragma once

#include <QMetaType>
#include <QStringList>

namespace molvena {

// What the system says about the route traffic takes right now: whether it goes through an
// interface of type "other" (virtual and tunnel interfaces), and the names of the available
// interfaces of that type, in the path's order.
struct NetworkPath {
    bool usesOtherInterface = false;
    QStringList otherInterfaceNames;
    // Traffic can leave the machine: a Mac's path is satisfied with DNS; on Linux a route leads out
    // through an interface other than loopback.
    bool isUsable = true;

    friend bool operator==(const NetworkPath&, const NetworkPath&) = default;
};

} // namespace molvena

Q_DECLARE_METATYPE(molvena::NetworkPath)
