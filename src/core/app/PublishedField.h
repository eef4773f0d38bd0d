#pragma once

namespace molvena {

// Assigns a published field and tells observers, but only when the value really changes, so bound
// screens do not redraw for nothing. Returns whether it changed.
template <typename Owner, typename Value>
bool publish(Owner& owner, Value& field, const Value& value, void (Owner::*changed)()) {
    if (field == value) {
        return false;
    }
    field = value;
    (owner.*changed)();
    return true;
}

} // namespace molvena
