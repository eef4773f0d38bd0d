import QtQuick
import QtQuick.Layouts
import Molvena

// The main action of a screen: bold text on a filled, softly shadowed rounded rectangle. Pressing
// dims the fill and drops the shadow; the size never changes.
MolvenaButton {
    id: button

    property color tint: MolvenaTheme.blue
    property color foreground: "white"
    property bool fullWidth: false
    property string leadingIcon
    property string trailingIcon
    property bool busy: false

    implicitWidth: Math.max(implicitBackgroundWidth + leftInset + rightInset,
                            implicitContentWidth + leftPadding + rightPadding)
    implicitHeight: Math.max(implicitBackgroundHeight + topInset + bottomInset,
                             implicitContentHeight + topPadding + bottomPadding)
    Layout.fillWidth: fullWidth
    leftPadding: 22
    rightPadding: 22
    topPadding: 13
    bottomPadding: 13
    opacity: enabled ? 1 : 0.52

    contentItem: ButtonLabel {
        text: button.text
        color: button.foreground
        weight: Font.Bold
        leadingIcon: button.leadingIcon
        trailingIcon: button.trailingIcon
        busy: button.busy
    }

    background: Item {
        implicitHeight: 44

        SoftShadow {
            anchors.fill: parent
            visible: !button.pressed
            cornerRadius: 12
            radius: 10
            offsetY: 5
            color: MolvenaTheme.withOpacity(button.tint, 0.18)
        }
        Rectangle {
            anchors.fill: parent
            radius: 12
            color: MolvenaTheme.withOpacity(button.tint, button.pressed ? 0.82 : 1)
        }
        Rectangle {
            anchors.fill: parent
            anchors.margins: -3
            radius: 15
            color: "transparent"
            border.width: 2
            border.color: MolvenaTheme.withOpacity(button.tint, 0.45)
            visible: button.visualFocus
        }
    }
}
