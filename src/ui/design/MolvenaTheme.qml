pragma Singleton
import QtQuick

// The fixed palette and type of every screen. Colours are sRGB at full opacity.
QtObject {
    readonly property color navyDeep: Qt.rgba(0.025, 0.105, 0.285, 1)
    readonly property color navy: Qt.rgba(0.035, 0.155, 0.405, 1)
    readonly property color blue: Qt.rgba(0.035, 0.385, 0.88, 1)
    readonly property color red: Qt.rgba(0.94, 0.09, 0.14, 1)
    readonly property color canvas: Qt.rgba(0.975, 0.967, 0.952, 1)
    readonly property color card: Qt.rgba(1, 1, 1, 1)
    readonly property color blueSoft: Qt.rgba(0.94, 0.965, 1.0, 1)
    readonly property color redSoft: Qt.rgba(1.0, 0.945, 0.95, 1)
    readonly property color line: Qt.rgba(0.865, 0.89, 0.92, 1)
    readonly property color ink: Qt.rgba(0.035, 0.1, 0.22, 1)
    readonly property color muted: Qt.rgba(0.35, 0.42, 0.53, 1)
    readonly property color green: Qt.rgba(0.03, 0.6, 0.39, 1)

    // The typeface: the application font, which is the system font on macOS (named as Qt names it,
    // so no lookup by a guessed name) and elsewhere the bundled Inter that useApplicationFont makes
    // the application font at start.
    readonly property string fontFamily: Application.font.family

    // The same colour at another opacity, for tints such as "red at 8 %".
    function withOpacity(colour: color, opacity: real): color {
        return Qt.rgba(colour.r, colour.g, colour.b, opacity)
    }
}
