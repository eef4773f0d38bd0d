pragma ComponentBehavior: Bound
import QtQuick
import Molvena
import QtQuick.Layouts

// The pairing code to share with a support person, with a button that copies it.
Card {
    id: pairingCard

    required property SupportSettingsViewModel viewModel

    Layout.fillWidth: true
    RowLayout {
        anchors.fill: parent
        spacing: 16
        ColumnLayout {
            Layout.fillWidth: true
            spacing: 6
            MolvenaEyebrow {
                text: "FORBIND EN STØTTEPERSON"
            }
            MolvenaText {
                text: "Din parringskode"
                font.family: MolvenaTheme.fontFamily
                font.pixelSize: 13
                font.weight: Font.DemiBold
                color: MolvenaTheme.muted
            }
            TextEdit {
                objectName: "supportPairingCode"
                text: pairingCard.viewModel.pairingCodeDisplay
                readOnly: true
                selectByMouse: true
                font.family: "monospace"
                font.pixelSize: 34
                font.weight: Font.Bold
                font.letterSpacing: 2
                color: MolvenaTheme.navyDeep
                Accessible.role: Accessible.StaticText
                Accessible.name: "Parringskode " + text
            }
            MolvenaText {
                Layout.fillWidth: true
                text: "Del kun koden med en person, du ønsker at forbinde til din konto."
                font.family: MolvenaTheme.fontFamily
                font.pixelSize: 12
                color: MolvenaTheme.muted
                wrapMode: Text.WordWrap
            }
        }
        SecondaryButton {
            objectName: "copyCodeButton"
            Layout.alignment: Qt.AlignVCenter
            text: pairingCard.viewModel.copied ? "Kopieret" : "Kopiér"
            leadingIcon: pairingCard.viewModel.copied ? "checkmark" : "doc.on.doc"
            onClicked: pairingCard.viewModel.copyPairingCode()
        }
    }
}
