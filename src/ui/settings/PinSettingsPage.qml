import QtQuick
import Molvena
import QtQuick.Layouts

// "Master PIN": change the PIN with the current one; the repetition must match.
SettingsPage {
    id: root

    required property PinSettingsViewModel viewModel

    title: "Master PIN"
    subtitle: "Master PIN beskytter ændringer i dit støttenetværk og sikkerhedsindstillinger."

    Card {
        Layout.fillWidth: true
        ColumnLayout {
            anchors.fill: parent
            spacing: 14
            MolvenaTextField {
                objectName: "currentPINField"
                title: "Nuværende PIN"
                placeholder: "4 cifre"
                secure: true
                inputMethodHints: Qt.ImhDigitsOnly
                text: root.viewModel.currentPIN
                onEdited: value => root.viewModel.currentPIN = value
            }
            MolvenaTextField {
                objectName: "newPINField"
                title: "Ny PIN"
                placeholder: "4 cifre"
                secure: true
                inputMethodHints: Qt.ImhDigitsOnly
                text: root.viewModel.newPIN
                onEdited: value => root.viewModel.newPIN = value
            }
            MolvenaTextField {
                objectName: "confirmPINField"
                title: "Gentag ny PIN"
                placeholder: "4 cifre"
                secure: true
                inputMethodHints: Qt.ImhDigitsOnly
                text: root.viewModel.confirmPIN
                onEdited: value => root.viewModel.confirmPIN = value
            }
            MolvenaText {
                objectName: "pinMismatch"
                Layout.fillWidth: true
                visible: root.viewModel.showsMismatch
                text: "De to nye PIN-koder er ikke ens."
                font.family: MolvenaTheme.fontFamily
                font.pixelSize: 12
                font.weight: Font.Medium
                color: MolvenaTheme.red
                wrapMode: Text.WordWrap
                Accessible.role: Accessible.AlertMessage
                Accessible.name: text
            }
            PrimaryButton {
                objectName: "savePINButton"
                Layout.alignment: Qt.AlignLeft
                text: root.viewModel.account.isSaving ? "Gemmer…" : "Gem ny PIN"
                busy: root.viewModel.account.isSaving
                enabled: root.viewModel.canSave
                onClicked: root.viewModel.save()
            }
        }
    }

    StoreMessage {
        store: root.viewModel.account
    }
}
