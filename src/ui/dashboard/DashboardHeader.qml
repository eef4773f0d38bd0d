pragma ComponentBehavior: Bound
import QtQuick
import Molvena
import QtQuick.Layouts

// The dashboard's top row: the player's name, the status pill and the menu button.
RowLayout {
    id: header

    required property PlayerDashboardViewModel viewModel
    readonly property color pillColor: header.viewModel.isFullyProtected ? MolvenaTheme.green
                                       : header.viewModel.vpn.isVPNActive ? MolvenaTheme.red : MolvenaTheme.muted

    signal menuRequested()

    Layout.fillWidth: true
    spacing: 14
    MolvenaLogo {
        compact: true
    }
    MolvenaText {
        objectName: "dashboardPlayerName"
        text: header.viewModel.session.playerName
        font.pixelSize: 13
        font.weight: Font.Bold
        color: MolvenaTheme.navyDeep
    }
    Item {
        Layout.fillWidth: true
    }
    Rectangle {
        implicitWidth: pill.implicitWidth + 24
        implicitHeight: 30
        radius: 15
        color: MolvenaTheme.withOpacity(header.pillColor, 0.08)
        RowLayout {
            id: pill
            anchors.centerIn: parent
            spacing: 6
            SymbolIcon {
                name: header.viewModel.pillIcon
                color: header.pillColor
                size: 13
            }
            MolvenaText {
                objectName: "statusPill"
                text: header.viewModel.pillText
                font.pixelSize: 12
                font.weight: Font.DemiBold
                color: header.pillColor
            }
        }
    }
    SecondaryButton {
        objectName: "headerMenuButton"
        leadingIcon: "ellipsis"
        text: ""
        Accessible.name: "Menu"
        onClicked: header.menuRequested()
    }
}
