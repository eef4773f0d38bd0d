#pragma once

namespace molvena {

// Registers the bundled Inter weights and, except on macOS (where the system font is the design's
// typeface), makes Inter the application font. Call once after the QGuiApplication exists and
// before any QML loads, so every Text and the theme pick it up.
void useApplicationFont();

} // namespace molvena
