import QtQuick
import Molvena
import QtQuick.Layouts

// One fact about the account: icon, what it is, and its value ("Ikke angivet" while it has none).
Rectangle {
    id: row

    property string icon
    property string title
    property string value
    readonly property string shownValue: row.value !== "" ? row.value : "Ikke angivet"
    // What the row shows, for whoever reads it by the row's objectName.
    readonly property alias text: valueText.text

    Layout.fillWidth: true
    implicitHeight: 58
    radius: 14
    color: MolvenaTheme.card
    border.width: 1
    border.color: MolvenaTheme.withOpacity(MolvenaTheme.line, 0.9)
    Accessible.role: Accessible.StaticText
    Accessible.name: row.title + ": " + row.shownValue

    RowLayout {
        anchors.fill: parent
        anchors.leftMargin: 16
        anchors.rightMargin: 16
        spacing: 12

        Rectangle {
            implicitWidth: 32
            implicitHeight: 32
            radius: 10
            color: MolvenaTheme.blueSoft
            SymbolIcon {
                anchors.centerIn: parent
                name: row.icon
                color: MolvenaTheme.blue
                size: 14
            }
        }
        MolvenaText {
            text: row.title
            font.family: MolvenaTheme.fontFamily
            font.pixelSize: 13
            font.weight: Font.DemiBold
            color: MolvenaTheme.muted
        }
        MolvenaText {
            id: valueText
            Layout.fillWidth: true
            horizontalAlignment: Text.AlignRight
            text: row.shownValue
            font.family: MolvenaTheme.fontFamily
            font.pixelSize: 14
            font.weight: Font.DemiBold
            color: row.value !== "" ? MolvenaTheme.navyDeep : MolvenaTheme.muted
            elide: Text.ElideMiddle
        }
    }
}
