import QtQuick
import QtQuick.Templates as T

// A plain text action inside a sentence ("Spiller · Pårørende"): tinted, underlined while hovered.
T.Button {
    id: link

    property color tint: MolvenaTheme.blue

    implicitWidth: label.implicitWidth + leftPadding + rightPadding
    implicitHeight: label.implicitHeight + topPadding + bottomPadding
    padding: 2
    focusPolicy: Qt.StrongFocus
    opacity: pressed ? 0.7 : 1
    Accessible.role: Accessible.Link
    Accessible.name: text
    Keys.onReturnPressed: link.clicked()
    Keys.onEnterPressed: link.clicked()

    contentItem: Text {
        id: label
        text: link.text
        color: link.tint
        font.family: MolvenaTheme.fontFamily
        font.pixelSize: 13
        font.weight: Font.DemiBold
        font.underline: link.hovered || link.visualFocus
    }
    background: null
}
