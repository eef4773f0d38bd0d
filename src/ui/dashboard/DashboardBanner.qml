pragma ComponentBehavior: Bound
import QtQuick
import Molvena
import QtQuick.Layouts

// The dashboard's one banner: a VPN in use, or a layer that needs the player's attention.
Rectangle {
    id: banner

    required property PlayerDashboardViewModel viewModel

    objectName: "dashboardBanner"
    Layout.fillWidth: true
    visible: banner.viewModel.banner !== ""
    implicitHeight: bannerRow.implicitHeight + 28
    radius: 16
    color: banner.viewModel.banner === "vpn" ? MolvenaTheme.redSoft : MolvenaTheme.blueSoft
    border.color: MolvenaTheme.withOpacity(banner.viewModel.banner === "vpn" ? MolvenaTheme.red : MolvenaTheme.blue, 0.25)

    RowLayout {
        id: bannerRow
        anchors.fill: parent
        anchors.margins: 14
        spacing: 12
        SymbolIcon {
            name: banner.viewModel.banner === "vpn" ? "exclamationmark.shield.fill" : "exclamationmark.triangle.fill"
            color: banner.viewModel.banner === "vpn" ? MolvenaTheme.red : MolvenaTheme.blue
            size: 20
        }
        ColumnLayout {
            Layout.fillWidth: true
            spacing: 2
            MolvenaText {
                objectName: "bannerTitle"
                Layout.fillWidth: true
                text: banner.viewModel.bannerTitle
                font.pixelSize: 14
                font.weight: Font.Bold
                color: MolvenaTheme.navyDeep
                wrapMode: Text.WordWrap
            }
            MolvenaText {
                Layout.fillWidth: true
                text: banner.viewModel.bannerText
                font.pixelSize: 12
                color: MolvenaTheme.muted
                wrapMode: Text.WordWrap
            }
            Text {
                objectName: "bannerSettingsHelp"
                Layout.fillWidth: true
                visible: banner.viewModel.banner === "vpn" && text !== ""
                text: banner.viewModel.vpn.settingsHelpText
                font.pixelSize: 12
                font.weight: Font.DemiBold
                color: MolvenaTheme.navyDeep
                wrapMode: Text.WordWrap
                Accessible.role: Accessible.StaticText
                Accessible.name: text
            }
        }
        SecondaryButton {
            objectName: "bannerButton"
            text: banner.viewModel.banner === "vpn" ? "Åbn indstillinger" : "Gå til beskyttelse"
            onClicked: {
                if (banner.viewModel.banner === "vpn")
                    banner.viewModel.vpn.openNetworkSettings();
                else
                    banner.viewModel.openSettings("protection");
            }
        }
    }
}
