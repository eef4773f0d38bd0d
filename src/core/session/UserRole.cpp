#include "UserRole.h"

namespace molvena {

QString rawValue(UserRole role) {
    switch (role) {
    case UserRole::player:
        return QStringLiteral("player");
    case UserRole::relative:
        return QStringLiteral("relative");
    case UserRole::none:
        break;
    }
    return QStringLiteral("none");
}

UserRole userRoleFromRaw(const QString& raw) {
    if (raw == QLatin1String("player")) {
        return UserRole::player;
    }
    if (raw == QLatin1String("relative")) {
        return UserRole::relative;
    }
    return UserRole::none;
}

} // namespace molvena
