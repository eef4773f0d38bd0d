import QtQuick
import Molvena

// The calendar's month step.
Rectangle {
    id: arrow

    required property string icon
    required property string accessibleName
    signal clicked

    implicitWidth: 30
    implicitHeight: 30
    radius: 8
    color: pointer.containsMouse && enabled ? MolvenaTheme.blueSoft : "transparent"
    opacity: enabled ? 1 : 0.35
    activeFocusOnTab: true
    Accessible.role: Accessible.Button
    Accessible.name: accessibleName
    Accessible.onPressAction: arrow.clicked()
    Keys.onSpacePressed: arrow.clicked()

    SymbolIcon {
        anchors.centerIn: parent
        name: arrow.icon
        color: MolvenaTheme.navyDeep
        size: 13
    }
    MouseArea {
        id: pointer
        anchors.fill: parent
        hoverEnabled: true
        onClicked: arrow.clicked()
    }
}
