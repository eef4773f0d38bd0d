import QtQuick
import Molvena

// The calendar's month step.
MolvenaButton {
    id: arrow

    required property string symbol
    required property string accessibleName

    implicitWidth: 30
    implicitHeight: 30
    opacity: enabled ? 1 : 0.35
    Accessible.name: accessibleName

    background: Rectangle {
        radius: 8
        color: arrow.hovered && arrow.enabled ? MolvenaTheme.blueSoft : "transparent"
        border.width: arrow.visualFocus ? 2 : 0
        border.color: MolvenaTheme.withOpacity(MolvenaTheme.blue, 0.6)
    }
    contentItem: Item {
        SymbolIcon {
            anchors.centerIn: parent
            name: arrow.symbol
            color: MolvenaTheme.navyDeep
            size: 13
        }
    }
}
