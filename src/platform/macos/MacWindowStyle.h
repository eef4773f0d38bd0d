#pragma once

#include <QWindow>

namespace molvena {

// Gives the app's window its look on macOS: the content runs under a transparent, title-less title
// bar (the traffic lights stay), the light appearance whatever the system's, and no window tabs,
// so there is no way to a second window. Takes the window's winId() (an NSView); call it once the
// window exists.
void applyMacWindowStyle(WId nativeView);

} // namespace molvena
