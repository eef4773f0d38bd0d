import QtQuick
import QtQuick.Layouts
import Molvena

// Shown while a tunnel carries the traffic: a VPN can route name lookups past the web protection.
Card {
    id: card

    required property MacVPNDetector vpn

    fillColor: MolvenaTheme.redSoft
    borderColor: MolvenaTheme.withOpacity(MolvenaTheme.red, 0.28)
    Accessible.role: Accessible.AlertMessage
    Accessible.name: "VPN er aktiv"

    RowLayout {
        anchors.fill: parent
        spacing: 14

        Rectangle {
            Layout.alignment: Qt.AlignTop
            implicitWidth: 42
            implicitHeight: 42
            radius: 10
            color: MolvenaTheme.withOpacity(MolvenaTheme.red, 0.12)
            SymbolIcon {
                anchors.centerIn: parent
                name: "exclamationmark.shield.fill"
                color: MolvenaTheme.red
                size: 18
            }
        }
        ColumnLayout {
            Layout.fillWidth: true
            spacing: 3
            MolvenaText {
                objectName: "vpnWarningTitle"
                Layout.fillWidth: true
                text: "VPN er aktiv"
                font.pixelSize: 15
                font.weight: Font.Bold
                color: MolvenaTheme.navyDeep
                Accessible.role: Accessible.Heading
                Accessible.name: text
            }
            MolvenaText {
                Layout.fillWidth: true
                text: "En VPN kan omgå Molvenas webbeskyttelse. Slå VPN fra for at genetablere fuld beskyttelse."
                font.pixelSize: 12
                color: MolvenaTheme.ink
                wrapMode: Text.WordWrap
            }
            Text {
                objectName: "vpnSettingsHelp"
                Layout.fillWidth: true
                visible: text !== ""
                text: card.vpn.settingsHelpText
                font.pixelSize: 12
                font.weight: Font.DemiBold
                color: MolvenaTheme.navyDeep
                wrapMode: Text.WordWrap
                Accessible.role: Accessible.StaticText
                Accessible.name: text
            }
        }
        PrimaryButton {
            objectName: "vpnWarningButton"
            Layout.alignment: Qt.AlignVCenter
            text: "Åbn indstillinger"
            tint: MolvenaTheme.red
            Accessible.name: "Åbn indstillinger for VPN"
            onClicked: card.vpn.openNetworkSettings()
        }
    }
}
