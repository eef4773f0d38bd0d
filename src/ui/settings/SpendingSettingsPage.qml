import QtQuick
import Molvena
import QtQuick.Layouts

// "Månedligt forbrug": the former monthly spend, typed with or without thousands separators.
SettingsPage {
    id: root

    required property SpendingSettingsViewModel viewModel

    title: "Månedligt forbrug"
    subtitle: "Beløbet bruges til at sætte dit tidligere spilleforbrug i perspektiv på tværs af Molvena."

    Card {
        Layout.fillWidth: true
        ColumnLayout {
            anchors.fill: parent
            spacing: 12
            MolvenaEyebrow {
                text: "DIT TIDLIGERE MÅNEDLIGE SPILLEFORBRUG"
            }
            MolvenaTextField {
                objectName: "amountField"
                Accessible.name: "Månedligt beløb i kroner"
                placeholder: "0"
                suffix: "kr./md."
                inputMethodHints: Qt.ImhFormattedNumbersOnly
                text: root.viewModel.amountText
                onEdited: value => root.viewModel.amountText = value
                onAccepted: root.viewModel.save()
            }
            MolvenaText {
                Layout.fillWidth: true
                text: "Du kan ændre beløbet når som helst. Det påvirker ikke selve webbeskyttelsen."
                font.family: MolvenaTheme.fontFamily
                font.pixelSize: 12
                color: MolvenaTheme.muted
                wrapMode: Text.WordWrap
            }
            PrimaryButton {
                objectName: "saveAmountButton"
                Layout.topMargin: 4
                text: root.viewModel.account.isSaving ? "Gemmer…" : "Gem beløb"
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
