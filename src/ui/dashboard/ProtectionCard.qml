pragma ComponentBehavior: Bound
import QtQuick
import Molvena
import QtQuick.Layouts

// The three layers on this machine in words, with the button that checks them again now.
Card {
    id: protectionCard

    required property PlayerDashboardViewModel viewModel

    Layout.fillWidth: true
    ColumnLayout {
        anchors.fill: parent
        spacing: 10
        RowLayout {
            Layout.fillWidth: true
            MolvenaText {
                Layout.fillWidth: true
                text: "Beskyttelsen på denne " + DeviceWords.noun
                font.pixelSize: 16
                font.weight: Font.Bold
                color: MolvenaTheme.navyDeep
            }
            SymbolIcon {
                name: protectionCard.viewModel.isFullyProtected ? "checkmark.circle.fill" : "exclamationmark.circle.fill"
                color: protectionCard.viewModel.isFullyProtected ? MolvenaTheme.green : MolvenaTheme.red
                size: 13
            }
            MolvenaText {
                objectName: "protectionBadge"
                text: protectionCard.viewModel.isFullyProtected ? "AKTIV" : "KRÆVER TJEK"
                font.pixelSize: 11
                font.weight: Font.Bold
                font.letterSpacing: 1
                color: protectionCard.viewModel.isFullyProtected ? MolvenaTheme.green : MolvenaTheme.red
            }
        }
        MolvenaText {
            Layout.fillWidth: true
            text: protectionCard.viewModel.isFullyProtected ? "Webbeskyttelsen er aktiv, ingen VPN er registreret, og Molvena starter automatisk." : "Et eller flere sikkerhedslag kræver din opmærksomhed."
            font.pixelSize: 13
            color: MolvenaTheme.muted
            wrapMode: Text.WordWrap
        }
        LayerRow {
            Layout.fillWidth: true
            icon: "network.badge.shield.half.filled"
            title: "Webbeskyttelse"
            detail: protectionCard.viewModel.dns.statusText
            inPlace: protectionCard.viewModel.dns.isActive
        }
        LayerRow {
            Layout.fillWidth: true
            icon: "network"
            title: "VPN"
            detail: protectionCard.viewModel.vpn.statusText
            inPlace: !protectionCard.viewModel.vpn.isVPNActive
        }
        LayerRow {
            Layout.fillWidth: true
            icon: "power.circle.fill"
            title: "Automatisk start"
            detail: protectionCard.viewModel.launchAtLogin.statusText
            inPlace: protectionCard.viewModel.launchAtLogin.isSatisfied
        }
        RowLayout {
            Layout.topMargin: 4
            Layout.fillWidth: true
            spacing: 8
            SymbolIcon {
                name: "lock.fill"
                color: MolvenaTheme.muted
                size: 12
            }
            MolvenaText {
                Layout.fillWidth: true
                text: "Molvena kontrollerer løbende, at blokeringen fortsat er aktiv."
                font.pixelSize: 12
                color: MolvenaTheme.muted
                wrapMode: Text.WordWrap
            }
            SecondaryButton {
                objectName: "syncButton"
                busy: protectionCard.viewModel.syncing
                text: protectionCard.viewModel.syncing ? "Synkroniserer…" : "Synkronisér"
                onClicked: protectionCard.viewModel.synchronize()
            }
        }
    }
}
