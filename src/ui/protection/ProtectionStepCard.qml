import QtQuick
import Molvena
import QtQuick.Layouts

// One numbered protection step: what it is, its live status and detail, and its one action.
Card {
    id: stepCard

    property string number
    property string icon
    property string title
    property string subtitle
    property bool done
    property string statusText
    property string detailText
    property bool showButton
    property string buttonText
    property bool buttonEnabled: true
    property string buttonObjectName
    // What to do by hand when the button found nothing to open.
    property string helpText

    signal action

    padding: 18

    RowLayout {
        anchors.fill: parent
        spacing: 16

        Rectangle {
            Layout.alignment: Qt.AlignTop
            Layout.preferredWidth: 44
            Layout.preferredHeight: 44
            radius: 12
            color: stepCard.done ? MolvenaTheme.withOpacity(MolvenaTheme.green, 0.1) : MolvenaTheme.blueSoft

            SymbolIcon {
                anchors.centerIn: parent
                name: stepCard.icon
                color: stepCard.done ? MolvenaTheme.green : MolvenaTheme.blue
                size: 20
            }
        }
        ColumnLayout {
            Layout.fillWidth: true
            spacing: 4

            RowLayout {
                spacing: 8
                MolvenaText {
                    text: stepCard.number
                    font.pixelSize: 12
                    font.weight: Font.Black
                    color: MolvenaTheme.blue
                }
                MolvenaText {
                    Layout.fillWidth: true
                    text: stepCard.title
                    font.pixelSize: 16
                    font.weight: Font.Bold
                    color: MolvenaTheme.navyDeep
                    elide: Text.ElideRight
                    Accessible.role: Accessible.Heading
                    Accessible.name: text
                }
            }
            MolvenaText {
                Layout.fillWidth: true
                text: stepCard.subtitle
                font.pixelSize: 13
                color: MolvenaTheme.muted
                wrapMode: Text.WordWrap
            }
            RowLayout {
                Layout.topMargin: 6
                spacing: 6
                SymbolIcon {
                    name: stepCard.done ? "checkmark.circle.fill" : "circle.dashed"
                    color: stepCard.done ? MolvenaTheme.green : MolvenaTheme.muted
                    size: 14
                }
                MolvenaText {
                    objectName: stepCard.buttonObjectName + "Status"
                    Layout.fillWidth: true
                    text: stepCard.statusText
                    font.pixelSize: 13
                    font.weight: Font.DemiBold
                    color: stepCard.done ? MolvenaTheme.green : MolvenaTheme.ink
                    elide: Text.ElideRight
                }
            }
            MolvenaText {
                objectName: stepCard.buttonObjectName + "Detail"
                Layout.fillWidth: true
                text: stepCard.detailText
                font.pixelSize: 12
                color: MolvenaTheme.muted
                wrapMode: Text.WordWrap
            }
            Text {
                objectName: stepCard.buttonObjectName + "Help"
                Layout.fillWidth: true
                visible: text !== ""
                text: stepCard.helpText
                font.pixelSize: 12
                font.weight: Font.DemiBold
                color: MolvenaTheme.ink
                wrapMode: Text.WordWrap
                Accessible.role: Accessible.StaticText
                Accessible.name: text
            }
        }
        SecondaryButton {
            objectName: stepCard.buttonObjectName
            Layout.alignment: Qt.AlignVCenter
            visible: stepCard.showButton
            enabled: stepCard.buttonEnabled
            text: stepCard.buttonText
            Accessible.name: stepCard.buttonText
            onClicked: stepCard.action()
        }
    }
}
