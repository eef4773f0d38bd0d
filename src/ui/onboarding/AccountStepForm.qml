import QtQuick
import Molvena
import QtQuick.Layouts

// Onboarding step 1: the account, and the pairing code drawn for it.
ColumnLayout {
    id: form

    required property PlayerSetupViewModel viewModel

    spacing: 16

    RowLayout {
        Layout.fillWidth: true
        spacing: 14

        MolvenaTextField {
            objectName: "nameField"
            Layout.fillWidth: true
            title: "Navn"
            placeholder: "Dit navn"
            text: form.viewModel.name
            onEdited: value => form.viewModel.name = value
        }
        MolvenaTextField {
            objectName: "emailField"
            Layout.fillWidth: true
            title: "E-mail"
            placeholder: "navn@eksempel.dk"
            text: form.viewModel.email
            onEdited: value => form.viewModel.email = value
        }
    }
    MolvenaTextField {
        objectName: "pinField"
        Layout.fillWidth: true
        title: "4-cifret Master PIN"
        placeholder: "••••"
        secure: true
        text: form.viewModel.pin
        onEdited: value => form.viewModel.pin = value
    }

    Rectangle {
        Layout.fillWidth: true
        implicitHeight: pairingRow.implicitHeight + 32
        radius: 14
        color: MolvenaTheme.blueSoft
        border.color: MolvenaTheme.line
        border.width: 1

        RowLayout {
            id: pairingRow
            anchors.fill: parent
            anchors.margins: 16
            spacing: 14

            Rectangle {
                implicitWidth: 42
                implicitHeight: 42
                radius: 21
                color: MolvenaTheme.card

                SymbolIcon {
                    anchors.centerIn: parent
                    name: "person.2.fill"
                    color: MolvenaTheme.blue
                    size: 18
                }
            }
            ColumnLayout {
                Layout.fillWidth: true
                spacing: 2

                MolvenaText {
                    text: "Pårørende-kode"
                    font.pixelSize: 12
                    font.weight: Font.DemiBold
                    color: MolvenaTheme.muted
                }
                TextEdit {
                    objectName: "pairingCode"
                    text: form.viewModel.pairing
                    readOnly: true
                    selectByMouse: true
                    font.pixelSize: 30
                    font.weight: Font.Black
                    font.letterSpacing: 2
                    color: MolvenaTheme.navyDeep
                    Accessible.role: Accessible.StaticText
                    Accessible.name: "Pårørende-kode " + text
                }
                MolvenaText {
                    text: "6 cifre · del den med din pårørende"
                    font.pixelSize: 12
                    color: MolvenaTheme.muted
                }
            }
        }
    }
}
