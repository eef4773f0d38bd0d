#include "MacDNSProtectionState.h"

namespace molvena {

QString rawValue(MacDNSProtectionState state) {
    switch (state) {
    case MacDNSProtectionState::active:
        return QStringLiteral("active");
    case MacDNSProtectionState::inactive:
        return QStringLiteral("inactive");
    case MacDNSProtectionState::unknown:
        break;
    }
    return QStringLiteral("unknown");
}

} // namespace molvena
