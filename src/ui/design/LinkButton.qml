import QtQuick

// A plain text action inside a sentence ("Spiller · Pårørende"): tinted, underlined while hovered.
MolvenaButton {
    id: link

    property color tint: MolvenaTheme.blue

    implicitWidth: implicitContentWidth + leftPadding + rightPadding
    implicitHeight: implicitContentHeight + topPadding + bottomPadding
    padding: 2
    opacity: pressed ? 0.7 : 1
    Accessible.role: Accessible.Link

    contentItem: Text {
        text: link.text
        color: link.tint
        font.family: MolvenaTheme.fontFamily
        font.pixelSize: 13
        font.weight: Font.DemiBold
        font.underline: link.hovered || link.visualFocus
    }
    background: null
}
