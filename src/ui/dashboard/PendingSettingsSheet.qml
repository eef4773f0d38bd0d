import QtQuick
import Molvena
import QtQuick.Layouts

// Where the settings window will open; until it exists, the sheet says so and closes.
Item {
    id: sheet

    signal closeRequested

    Rectangle {
        anchors.fill: parent
        color: MolvenaTheme.withOpacity(MolvenaTheme.navyDeep, 0.38)
        MouseArea {
            anchors.fill: parent
        }
    }
    Card {
        anchors.centerIn: parent
        width: Math.min(parent.width - 80, 480)
        padding: 28

        ColumnLayout {
            anchors.fill: parent
            spacing: 10
            MolvenaEyebrow {
                text: "INDSTILLINGER"
            }
            Text {
                objectName: "settingsSheetTitle"
                Layout.fillWidth: true
                text: "Indstillingerne er ikke klar endnu"
                font.pixelSize: 22
                font.weight: Font.Black
                color: MolvenaTheme.navyDeep
                wrapMode: Text.WordWrap
                Accessible.role: Accessible.Heading
                Accessible.name: text
            }
            Text {
                Layout.fillWidth: true
                text: "Denne version af Molvena har endnu ikke et indstillingsvindue. Beskyttelsen på dashboardet fortsætter som før."
                font.pixelSize: 13
                color: MolvenaTheme.muted
                wrapMode: Text.WordWrap
            }
            PrimaryButton {
                objectName: "settingsSheetClose"
                Layout.topMargin: 8
                Layout.alignment: Qt.AlignRight
                text: "Luk"
                onClicked: sheet.closeRequested()
            }
        }
    }
}
