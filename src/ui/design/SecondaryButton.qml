import QtQuick
import QtQuick.Layouts

// The quieter action beside a primary one: semibold text on white (or a faint white on dark
// backgrounds when `light`) with a hairline border.
MolvenaButton {
    id: button

    property bool fullWidth: false
    property bool light: false
    property string leadingIcon
    property string trailingIcon
    property bool busy: false

    readonly property color foreground: light ? "white" : MolvenaTheme.navyDeep

    implicitWidth: Math.max(implicitBackgroundWidth + leftInset + rightInset,
                            implicitContentWidth + leftPadding + rightPadding)
    implicitHeight: Math.max(implicitBackgroundHeight + topInset + bottomInset,
                             implicitContentHeight + topPadding + bottomPadding)
    Layout.fillWidth: fullWidth
    leftPadding: 20
    rightPadding: 20
    topPadding: 12
    bottomPadding: 12
    opacity: enabled ? 1 : 0.52

    contentItem: ButtonLabel {
        text: button.text
        color: button.foreground
        weight: Font.DemiBold
        leadingIcon: button.leadingIcon
        trailingIcon: button.trailingIcon
        busy: button.busy
    }

    background: Rectangle {
        implicitHeight: 42
        radius: 12
        color: button.light ? Qt.rgba(1, 1, 1, 0.08) : "white"
        opacity: button.pressed ? 0.78 : 1
        border.width: 1
        border.color: button.light ? Qt.rgba(1, 1, 1, 0.28) : MolvenaTheme.line

        Rectangle {
            anchors.fill: parent
            anchors.margins: -3
            radius: 15
            color: "transparent"
            border.width: 2
            border.color: button.light ? Qt.rgba(1, 1, 1, 0.5) : MolvenaTheme.withOpacity(MolvenaTheme.blue, 0.45)
            visible: button.visualFocus
        }
    }
}
