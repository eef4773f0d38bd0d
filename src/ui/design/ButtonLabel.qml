import QtQuick
import Molvena

// The inside of a button: spinner while busy, optional leading symbol, the text, optional trailing
// symbol, centred in the space the button gives.
Item {
    id: label

    property string text
    property color color
    property int weight: Font.Bold
    property string leadingIcon
    property string trailingIcon
    property bool busy: false

    implicitWidth: row.implicitWidth
    implicitHeight: row.implicitHeight

    Row {
        id: row
        anchors.centerIn: parent
        spacing: 8

        MolvenaSpinner {
            anchors.verticalCenter: parent.verticalCenter
            visible: label.busy
            color: label.color
            size: 14
        }
        SymbolIcon {
            anchors.verticalCenter: parent.verticalCenter
            visible: label.leadingIcon !== "" && known
            name: label.leadingIcon
            color: label.color
            size: 15
        }
        Text {
            anchors.verticalCenter: parent.verticalCenter
            text: label.text
            color: label.color
            font.family: MolvenaTheme.fontFamily
            font.pixelSize: 15
            font.weight: label.weight
            elide: Text.ElideRight
        }
        SymbolIcon {
            anchors.verticalCenter: parent.verticalCenter
            visible: label.trailingIcon !== "" && known
            name: label.trailingIcon
            color: label.color
            size: 14
        }
    }
}
