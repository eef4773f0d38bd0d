import QtQuick
import QtQuick.Layouts
import Molvena

// The root view model's notice, in a card at the top of the window over whichever screen shows.
Card {
    id: banner

    required property AppViewModel app

    visible: banner.app.notice !== ""
    padding: 14
    Accessible.role: Accessible.AlertMessage
    Accessible.name: banner.app.notice

    RowLayout {
        spacing: 10
        SymbolIcon {
            name: "checkmark.circle.fill"
            color: MolvenaTheme.green
            size: 16
        }
        Text {
            objectName: "noticeText"
            text: banner.app.notice
            font.family: MolvenaTheme.fontFamily
            font.pixelSize: 13
            font.weight: Font.DemiBold
            color: MolvenaTheme.ink
            Accessible.role: Accessible.StaticText
            Accessible.name: text
        }
        LinkButton {
            objectName: "noticeClose"
            text: "Luk"
            onClicked: banner.app.dismissNotice()
        }
    }
}
