import QtQuick
import Molvena
import QtQuick.Layouts

// One section of the settings window: a large title, a short subtitle, then the page's blocks in a
// column at most 760 wide, 20 apart, scrolling when they do not fit. Children go into the column.
Item {
    id: page

    property string title
    property string subtitle
    default property alias content: column.data

    Flickable {
        id: flickable
        anchors.fill: parent
        contentWidth: width
        contentHeight: column.implicitHeight + 64
        clip: true
        boundsBehavior: Flickable.StopAtBounds

        ColumnLayout {
            id: column
            x: 36
            y: 34
            width: Math.min(760, flickable.width - 72)
            spacing: 20

            ColumnLayout {
                Layout.fillWidth: true
                spacing: 6
                MolvenaText {
                    objectName: "settingsPageTitle"
                    Layout.fillWidth: true
                    text: page.title
                    font.family: MolvenaTheme.fontFamily
                    font.pixelSize: 30
                    font.weight: Font.Black
                    color: MolvenaTheme.navyDeep
                    wrapMode: Text.WordWrap
                    Accessible.role: Accessible.Heading
                    Accessible.name: text
                }
                MolvenaText {
                    Layout.fillWidth: true
                    visible: page.subtitle !== ""
                    text: page.subtitle
                    font.family: MolvenaTheme.fontFamily
                    font.pixelSize: 13
                    color: MolvenaTheme.muted
                    wrapMode: Text.WordWrap
                }
            }
        }
    }

    KeepInView {
        flickable: flickable
    }
}
