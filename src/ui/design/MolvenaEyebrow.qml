import QtQuick

// The small spaced capitals above a title: red on light backgrounds, faint white on dark ones.
Text {
    property bool light: false

    color: light ? Qt.rgba(1, 1, 1, 0.68) : MolvenaTheme.red
    font.family: MolvenaTheme.fontFamily
    font.pixelSize: 11
    font.weight: Font.Bold
    font.letterSpacing: 2.1
    font.capitalization: Font.AllUppercase
    Accessible.role: Accessible.StaticText
    Accessible.name: text
}
