#pragma once

#include <QWindow>

namespace molvena {

// Gives the app's window its look on macOS: the content runs under a transparent, title-less title
// bar (the traffic lights stay), the light appearance whatever the system's, and no window tabs,
// so there is no way to a second window. Call it before the window is first shown: it creates the
// native window, styles it, and styles it again whenever Qt changes the window's state (full screen
// in and out), since Qt then sets its own style mask. Does nothing off the Cocoa platform (the
// tests' offscreen windows have no NSView behind winId()).
void keepMacWindowStyle(QWindow& window);

} // namespace molvena
