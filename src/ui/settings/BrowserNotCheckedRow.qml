import QtQuick
import QtQuick.Layouts
import Molvena

// A browser whose settings could not be read: said quietly, apart from "checked and fine" and from
// a browser that goes around the web protection.
Rectangle {
    id: row

    property string browser
    property string reason

    Layout.fillWidth: true
    implicitHeight: content.implicitHeight + 24
    radius: 14
    color: MolvenaTheme.card
    border.width: 1
    border.color: MolvenaTheme.withOpacity(MolvenaTheme.line, 0.9)
    Accessible.role: Accessible.StaticText
    Accessible.name: title.text + ". " + row.reason

    RowLayout {
        id: content
        anchors.fill: parent
        anchors.margins: 12
        anchors.leftMargin: 16
        spacing: 12

        SymbolIcon {
            Layout.alignment: Qt.AlignTop
            name: "globe"
            color: MolvenaTheme.muted
            size: 14
        }
        ColumnLayout {
            Layout.fillWidth: true
            spacing: 2
            Text {
                id: title
                objectName: "browserNotCheckedTitle"
                Layout.fillWidth: true
                text: "Kunne ikke kontrollere " + row.browser
                font.family: MolvenaTheme.fontFamily
                font.pixelSize: 13
                font.weight: Font.DemiBold
                color: MolvenaTheme.navyDeep
                wrapMode: Text.WordWrap
            }
            Text {
                objectName: "browserNotCheckedReason"
                Layout.fillWidth: true
                text: row.reason
                font.family: MolvenaTheme.fontFamily
                font.pixelSize: 11
                color: MolvenaTheme.muted
                wrapMode: Text.WordWrap
            }
        }
    }
}
