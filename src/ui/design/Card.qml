import QtQuick
import QtQuick.Templates as T
import Molvena

// A white content card: 20 points of padding, hairline border and a soft navy shadow. Its children
// form the content: give it one item with an implicit size (a layout) and `anchors.fill: parent`
// when that item should take the card's width.
T.Pane {
    id: card

    property color fillColor: MolvenaTheme.card
    property color borderColor: MolvenaTheme.withOpacity(MolvenaTheme.line, 0.9)

    padding: 20
    implicitWidth: Math.max(implicitBackgroundWidth + leftInset + rightInset,
                            contentWidth + leftPadding + rightPadding)
    implicitHeight: Math.max(implicitBackgroundHeight + topInset + bottomInset,
                             contentHeight + topPadding + bottomPadding)

    background: Item {
        SoftShadow {
            anchors.fill: parent
            cornerRadius: 18
            radius: 16
            offsetY: 8
            color: MolvenaTheme.withOpacity(MolvenaTheme.navyDeep, 0.055)
        }
        Rectangle {
            anchors.fill: parent
            radius: 18
            color: card.fillColor
            border.width: 1
            border.color: card.borderColor
        }
    }
}
