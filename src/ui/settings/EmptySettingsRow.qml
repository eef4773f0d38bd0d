import QtQuick
import Molvena
import QtQuick.Layouts

// Stands in for a list that has nothing in it yet: an icon, what is missing and what to do about it.
Rectangle {
    id: row

    property string icon
    property string title
    property string detail

    Layout.fillWidth: true
    implicitHeight: content.implicitHeight + 28
    radius: 14
    color: MolvenaTheme.canvas
    border.width: 1
    border.color: MolvenaTheme.withOpacity(MolvenaTheme.line, 0.9)
    Accessible.role: Accessible.StaticText
    Accessible.name: row.title + ". " + row.detail

    RowLayout {
        id: content
        anchors.fill: parent
        anchors.margins: 14
        spacing: 12

        Rectangle {
            Layout.alignment: Qt.AlignTop
            implicitWidth: 34
            implicitHeight: 34
            radius: 17
            color: MolvenaTheme.blueSoft
            SymbolIcon {
                anchors.centerIn: parent
                name: row.icon
                color: MolvenaTheme.blue
                size: 15
            }
        }
        ColumnLayout {
            Layout.fillWidth: true
            spacing: 2
            MolvenaText {
                objectName: "emptyRowTitle"
                Layout.fillWidth: true
                text: row.title
                font.family: MolvenaTheme.fontFamily
                font.pixelSize: 13
                font.weight: Font.DemiBold
                color: MolvenaTheme.navyDeep
                wrapMode: Text.WordWrap
            }
            MolvenaText {
                Layout.fillWidth: true
                text: row.detail
                font.family: MolvenaTheme.fontFamily
                font.pixelSize: 12
                color: MolvenaTheme.muted
                wrapMode: Text.WordWrap
            }
        }
    }
}
