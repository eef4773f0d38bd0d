pragma ComponentBehavior: Bound
import QtQuick
import Molvena
import QtQuick.Layouts

// Days without gambling, the next milestone and the three layers at a glance, on the dark card.
Rectangle {
    id: progressCard

    required property PlayerDashboardViewModel viewModel

    Layout.fillWidth: true
    implicitHeight: progress.implicitHeight + 76
    radius: 36
    clip: true
    gradient: Gradient {
        orientation: Gradient.Horizontal
        GradientStop {
            position: 0
            color: MolvenaTheme.navyDeep
        }
        GradientStop {
            position: 1
            color: Qt.rgba(0.02, 0.25, 0.67, 1)
        }
    }
    Rectangle {
        width: 420
        height: 420
        radius: 210
        x: progressCard.width - 260
        y: -180
        color: Qt.rgba(1, 1, 1, 0.055)
    }
    ColumnLayout {
        id: progress
        anchors.fill: parent
        anchors.margins: 38
        spacing: 0
        MolvenaEyebrow {
            light: true
            text: "DIN FREMADGANG"
        }
        RowLayout {
            spacing: 16
            MolvenaText {
                objectName: "gamblingFreeDays"
                text: progressCard.viewModel.gamblingFreeDays
                font.pixelSize: 92
                font.weight: Font.Black
                font.letterSpacing: -4
                color: "white"
                Accessible.role: Accessible.StaticText
                Accessible.name: text + " dage"
            }
            MolvenaText {
                text: "DAGE\nMOLVENA"
                font.pixelSize: 17
                font.letterSpacing: 2.3
                color: Qt.rgba(1, 1, 1, 0.8)
            }
        }
        MolvenaText {
            objectName: "milestoneText"
            Layout.fillWidth: true
            text: progressCard.viewModel.milestoneText
            font.pixelSize: 14
            font.weight: Font.Medium
            color: "white"
            wrapMode: Text.WordWrap
        }
        GridLayout {
            Layout.topMargin: 22
            Layout.fillWidth: true
            columns: 3
            columnSpacing: 18
            LayerRow {
                Layout.fillWidth: true
                Layout.preferredWidth: 1
                Layout.alignment: Qt.AlignTop
                dark: true
                icon: "network.badge.shield.half.filled"
                title: "Webbeskyttelse"
                detail: progressCard.viewModel.dns.statusText
                inPlace: progressCard.viewModel.dns.isActive
            }
            LayerRow {
                Layout.fillWidth: true
                Layout.preferredWidth: 1
                Layout.alignment: Qt.AlignTop
                dark: true
                icon: "network"
                title: "VPN"
                detail: progressCard.viewModel.vpn.statusText
                inPlace: !progressCard.viewModel.vpn.isVPNActive
            }
            LayerRow {
                Layout.fillWidth: true
                Layout.preferredWidth: 1
                Layout.alignment: Qt.AlignTop
                dark: true
                icon: "power.circle.fill"
                title: "Automatisk start"
                detail: progressCard.viewModel.launchAtLogin.statusText
                inPlace: progressCard.viewModel.launchAtLogin.isSatisfied
            }
        }
    }
}
