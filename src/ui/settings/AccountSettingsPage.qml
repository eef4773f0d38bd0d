import QtQuick
import Molvena
import QtQuick.Layouts

// "Din konto": the account's facts; the stored ones at once, the server's when the load is done.
SettingsPage {
    id: root

    required property AccountSettingsViewModel viewModel

    title: "Din konto"
    subtitle: "De samme kontooplysninger bruges på tværs af dine Molvena-enheder."

    RowLayout {
        objectName: "accountLoading"
        visible: root.viewModel.isLoading
        spacing: 8
        MolvenaSpinner {
            size: 12
        }
        MolvenaText {
            text: "Henter dine oplysninger…"
            font.family: MolvenaTheme.fontFamily
            font.pixelSize: 12
            color: MolvenaTheme.muted
        }
    }

    ColumnLayout {
        Layout.fillWidth: true
        spacing: 10
        SettingsInfoRow {
            objectName: "accountName"
            icon: "person.fill"
            title: "Navn"
            value: root.viewModel.playerName
        }
        SettingsInfoRow {
            objectName: "accountEmail"
            icon: "envelope.fill"
            title: "E-mail"
            value: root.viewModel.playerEmail
        }
        SettingsInfoRow {
            objectName: "accountPairingCode"
            icon: "link"
            title: "Parringskode"
            value: root.viewModel.pairingCodeDisplay
        }
        SettingsInfoRow {
            objectName: "accountDays"
            icon: "calendar.badge.checkmark"
            title: "Dage molvena"
            value: root.viewModel.gamblingFreeDays
        }
    }
}
