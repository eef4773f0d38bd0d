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

    friend bool operator==(const NetworkPath&, const NetworkPath&) = default;
};

} // namespace molvena

Q_DECLARE_METATYPE(molvena::NetworkPath)
