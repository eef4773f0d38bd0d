import QtQuick
import Molvena

// The shield mark with its checkmark beside the lower-case wordmark, whose last letter carries the
// red dot. `light` for dark backgrounds.
Row {
    id: logo

    property bool light: false
    property bool compact: false

    readonly property color inkColor: light ? "white" : MolvenaTheme.navyDeep

    spacing: compact ? 8 : 10
    Accessible.role: Accessible.Graphic
    Accessible.name: "Molvena"

    Item {
        anchors.verticalCenter: parent.verticalCenter
        width: logo.compact ? 25 : 29
        height: logo.compact ? 29 : 34

        ShieldShape {
            anchors.fill: parent
            strokeColor: logo.inkColor
            strokeWidth: logo.compact ? 2.5 : 3
        }
        SymbolIcon {
            anchors.centerIn: parent
            anchors.verticalCenterOffset: -1
            name: "checkmark"
            color: logo.inkColor
            size: logo.compact ? 12 : 15
        }
    }

    Row {
        anchors.verticalCenter: parent.verticalCenter
        Text {
            text: "molven"
            color: logo.inkColor
            font.family: MolvenaTheme.fontFamily
            font.pixelSize: logo.compact ? 22 : 26
            font.weight: Font.Black
            Accessible.ignored: true
        }
        Text {
            id: lastLetter
            text: "a"
            color: logo.inkColor
            font.family: MolvenaTheme.fontFamily
            font.pixelSize: logo.compact ? 22 : 26
            font.weight: Font.Black
            Accessible.ignored: true

            Rectangle {
                readonly property real across: logo.compact ? 4 : 5
                width: across
                height: across
                radius: across / 2
                color: MolvenaTheme.red
                x: lastLetter.width - across + (logo.compact ? 2.5 : 3)
                y: -(logo.compact ? 1.5 : 2)
            }
        }
    }
}
