import QtQuick
import Molvena
import QtQuick.Layouts

// A selectable answer: a location, a game type, or a date choice. Drawn selected in the player's
// blue; acts on a click, Space or Return.
Rectangle {
    id: tile

    property string text
    property string icon
    property bool selected: false
    property bool compact: false
    signal clicked

    implicitWidth: content.implicitWidth + (compact ? 28 : 36)
    implicitHeight: compact ? 42 : 58
    radius: 12
    color: selected ? MolvenaTheme.blueSoft : MolvenaTheme.card
    border.width: selected ? 1.5 : 1
    border.color: selected ? MolvenaTheme.blue : MolvenaTheme.line
    opacity: pointer.pressed ? 0.78 : 1
    activeFocusOnTab: true

    Behavior on color {
        ColorAnimation {
            duration: 250
            easing.type: Easing.OutBack
            easing.overshoot: 0.6
        }
    }

    Accessible.role: Accessible.CheckBox
    Accessible.name: text
    Accessible.checkable: true
    Accessible.checked: selected
    Accessible.onPressAction: tile.clicked()
    Accessible.onToggleAction: tile.clicked()
    Keys.onSpacePressed: tile.clicked()
    Keys.onReturnPressed: tile.clicked()

    RowLayout {
        id: content
        anchors.centerIn: parent
        width: Math.min(implicitWidth, tile.width - 20)
        spacing: 8

        SymbolIcon {
            name: tile.icon
            color: tile.selected ? MolvenaTheme.blue : MolvenaTheme.muted
            size: tile.compact ? 14 : 16
        }
        MolvenaText {
            Layout.fillWidth: true
            text: tile.text
            font.pixelSize: 14
            font.weight: Font.DemiBold
            color: tile.selected ? MolvenaTheme.navyDeep : MolvenaTheme.ink
            elide: Text.ElideRight
        }
    }

    Rectangle {
        anchors.fill: parent
        anchors.margins: -3
        radius: tile.radius + 3
        color: "transparent"
        border.width: 2
        border.color: MolvenaTheme.blue
        opacity: 0.35
        visible: tile.activeFocus
    }

    MouseArea {
        id: pointer
        anchors.fill: parent
        cursorShape: Qt.PointingHandCursor
        onClicked: {
            tile.forceActiveFocus();
            tile.clicked();
        }
    }
}
