#pragma once

#include <QObject>
#include <QString>

namespace molvena {
Q_NAMESPACE

// Who uses this Mac. Persisted by its raw value; any other text reads as `none`.
enum class UserRole { none, player, relative };
Q_ENUM_NS(UserRole)

QString rawValue(UserRole role);
UserRole userRoleFromRaw(const QString& raw);

} // namespace molvena
