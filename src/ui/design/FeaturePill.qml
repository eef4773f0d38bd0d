import QtQuick
import Molvena

// A symbol and a short text on a near-white capsule.
Rectangle {
    id: pill

    property string icon
    property string text

    implicitWidth: row.implicitWidth + 22
    implicitHeight: row.implicitHeight + 16
    radius: height / 2
    color: Qt.rgba(1, 1, 1, 0.9)
    Accessible.role: Accessible.StaticText
    Accessible.name: text

    Row {
        id: row
        anchors.centerIn: parent
        spacing: 6
        SymbolIcon {
            anchors.verticalCenter: parent.verticalCenter
            name: pill.icon
            color: MolvenaTheme.navyDeep
            size: 12
        }
        Text {
            anchors.verticalCenter: parent.verticalCenter
            text: pill.text
            color: MolvenaTheme.navyDeep
            font.family: MolvenaTheme.fontFamily
            font.pixelSize: 12
            font.weight: Font.DemiBold
        }
    }
}
