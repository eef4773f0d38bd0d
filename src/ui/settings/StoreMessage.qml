import QtQuick
import Molvena
import QtQuick.Layouts

// The account store's last outcome under a page: its error in red, else its success in green, else
// nothing. Give it the store; the window clears the store's messages on every change of section.
RowLayout {
    id: message

    required property MacAccountStore store
    readonly property bool isError: message.store.lastError !== ""

    Layout.fillWidth: true
    visible: message.isError || message.store.lastMessage !== ""
    spacing: 7

    SymbolIcon {
        Layout.alignment: Qt.AlignTop
        Layout.topMargin: 1
        name: message.isError ? "exclamationmark.circle.fill" : "checkmark.circle.fill"
        color: message.isError ? MolvenaTheme.red : MolvenaTheme.green
        size: 13
    }
    MolvenaText {
        objectName: "storeMessage"
        Layout.fillWidth: true
        text: message.isError ? message.store.lastError : message.store.lastMessage
        font.family: MolvenaTheme.fontFamily
        font.pixelSize: 12
        font.weight: Font.Medium
        color: message.isError ? MolvenaTheme.red : MolvenaTheme.green
        wrapMode: Text.WordWrap
        Accessible.role: Accessible.AlertMessage
        Accessible.name: text
    }
}
