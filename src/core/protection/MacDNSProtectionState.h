#pragma once

#include <QString>

namespace molvena {

// Outcome of a web-protection verification.
enum class MacDNSProtectionState { active, inactive, unknown };

QString rawValue(MacDNSProtectionState state);

} // namespace molvena
