import QtQuick
import Molvena
import QtQuick.Layouts

// The dashboard's header menu: opens under the menu button over the page, keeps the keyboard while
// open, and closes on a choice, on Escape or on a click anywhere outside it.
ModalScope {
    id: menu

    signal settingsChosen
    signal logOutChosen

    visible: false
    onCloseRequested: menu.visible = false

    MouseArea {
        anchors.fill: parent
        acceptedButtons: Qt.AllButtons
        onPressed: menu.visible = false
    }

    Rectangle {
        objectName: "headerMenu"
        x: menu.width - width - 40
        y: 70
        width: 200
        implicitHeight: menuColumn.implicitHeight + 12
        radius: 10
        color: MolvenaTheme.card
        border.color: MolvenaTheme.line
        Accessible.role: Accessible.PopupMenu
        Accessible.name: "Menu"

        ColumnLayout {
            id: menuColumn
            anchors.fill: parent
            anchors.margins: 6
            spacing: 2
            LinkButton {
                objectName: "menuSettings"
                Layout.fillWidth: true
                text: "Indstillinger…"
                tint: MolvenaTheme.navyDeep
                onClicked: {
                    menu.visible = false;
                    menu.settingsChosen();
                }
            }
            Rectangle {
                Layout.fillWidth: true
                implicitHeight: 1
                color: MolvenaTheme.line
            }
            LinkButton {
                objectName: "menuLogOut"
                Layout.fillWidth: true
                text: "Log ud"
                tint: MolvenaTheme.red
                onClicked: {
                    menu.visible = false;
                    menu.logOutChosen();
                }
            }
        }
    }
}
