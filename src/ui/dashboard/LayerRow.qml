import QtQuick
import Molvena
import QtQuick.Layouts

// One protection layer as a row: on the dark progress card or on a light card.
RowLayout {
    id: row

    property string icon
    property string title
    property string detail
    property bool inPlace
    property bool dark: false

    spacing: 12

    SymbolIcon {
        name: row.icon
        color: row.dark ? "white" : MolvenaTheme.blue
        size: 16
    }
    ColumnLayout {
        Layout.fillWidth: true
        spacing: 1
        MolvenaText {
            text: row.dark ? row.title.toUpperCase() : row.title
            font.pixelSize: row.dark ? 10 : 13
            font.weight: row.dark ? Font.Bold : Font.DemiBold
            font.letterSpacing: row.dark ? 1 : 0
            color: row.dark ? Qt.rgba(1, 1, 1, 0.55) : MolvenaTheme.navyDeep
        }
        MolvenaText {
            Layout.fillWidth: true
            text: row.detail
            font.pixelSize: row.dark ? 13 : 12
            color: row.dark ? "white" : MolvenaTheme.muted
            // A status is read whole: in the dark card's narrow columns it takes a second line.
            wrapMode: Text.WordWrap
        }
    }
    SymbolIcon {
        name: row.inPlace ? "checkmark.circle.fill" : "clock.badge.questionmark"
        color: row.inPlace ? (row.dark ? "#34c759" : MolvenaTheme.green)
                           : (row.dark ? Qt.rgba(1, 1, 1, 0.55) : MolvenaTheme.muted)
        size: 16
        Accessible.role: Accessible.StaticText
        Accessible.name: row.title + (row.inPlace ? ": på plads" : ": kræver tjek")
    }
}
