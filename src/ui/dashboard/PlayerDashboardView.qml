pragma ComponentBehavior: Bound
import QtQuick
import Molvena
import QtQuick.Layouts

// The player's main screen: days without gambling, the three layers, the pairing code with the
// connected relatives, and the block list.
Item {
    id: root

    required property PlayerDashboardViewModel viewModel
    readonly property color pillColor: root.viewModel.isFullyProtected ? MolvenaTheme.green
                                       : root.viewModel.vpn.isVPNActive ? MolvenaTheme.red : MolvenaTheme.muted

    Component.onCompleted: root.viewModel.appeared()

    Flickable {
        id: scroller
        anchors.fill: parent
        contentHeight: page.implicitHeight + 64
        clip: true
        boundsBehavior: Flickable.StopAtBounds

        ColumnLayout {
            id: page
            x: 40
            y: 28
            width: parent.width - 80
            spacing: 18

            // Header.
            RowLayout {
                Layout.fillWidth: true
                spacing: 14
                MolvenaLogo {
                    compact: true
                }
                MolvenaText {
                    objectName: "dashboardPlayerName"
                    text: root.viewModel.session.playerName
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
                    color: MolvenaTheme.withOpacity(root.pillColor, 0.08)
                    RowLayout {
                        id: pill
                        anchors.centerIn: parent
                        spacing: 6
                        SymbolIcon {
                            name: root.viewModel.pillIcon
                            color: root.pillColor
                            size: 13
                        }
                        MolvenaText {
                            objectName: "statusPill"
                            text: root.viewModel.pillText
                            font.pixelSize: 12
                            font.weight: Font.DemiBold
                            color: root.pillColor
                        }
                    }
                }
                SecondaryButton {
                    objectName: "headerMenuButton"
                    leadingIcon: "ellipsis"
                    text: ""
                    Accessible.name: "Menu"
                    onClicked: menu.visible = !menu.visible
                }
            }

            // Banner, at most one.
            Rectangle {
                objectName: "dashboardBanner"
                Layout.fillWidth: true
                visible: root.viewModel.banner !== ""
                implicitHeight: bannerRow.implicitHeight + 28
                radius: 16
                color: root.viewModel.banner === "vpn" ? MolvenaTheme.redSoft : MolvenaTheme.blueSoft
                border.color: MolvenaTheme.withOpacity(root.viewModel.banner === "vpn" ? MolvenaTheme.red : MolvenaTheme.blue, 0.25)

                RowLayout {
                    id: bannerRow
                    anchors.fill: parent
                    anchors.margins: 14
                    spacing: 12
                    SymbolIcon {
                        name: root.viewModel.banner === "vpn" ? "exclamationmark.shield.fill" : "exclamationmark.triangle.fill"
                        color: root.viewModel.banner === "vpn" ? MolvenaTheme.red : MolvenaTheme.blue
                        size: 20
                    }
                    ColumnLayout {
                        Layout.fillWidth: true
                        spacing: 2
                        MolvenaText {
                            objectName: "bannerTitle"
                            Layout.fillWidth: true
                            text: root.viewModel.bannerTitle
                            font.pixelSize: 14
                            font.weight: Font.Bold
                            color: MolvenaTheme.navyDeep
                            wrapMode: Text.WordWrap
                        }
                        MolvenaText {
                            Layout.fillWidth: true
                            text: root.viewModel.bannerText
                            font.pixelSize: 12
                            color: MolvenaTheme.muted
                            wrapMode: Text.WordWrap
                        }
                        Text {
                            objectName: "bannerSettingsHelp"
                            Layout.fillWidth: true
                            visible: root.viewModel.banner === "vpn" && text !== ""
                            text: root.viewModel.vpn.settingsHelpText
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
                        text: root.viewModel.banner === "vpn" ? "Åbn indstillinger" : "Gå til beskyttelse"
                        onClicked: {
                            if (root.viewModel.banner === "vpn")
                                root.viewModel.vpn.openNetworkSettings();
                            else
                                root.viewModel.openSettings("protection");
                        }
                    }
                }
            }

            BrowserBypassCard {
                objectName: "browserBypassCard"
                Layout.fillWidth: true
                bypasses: root.viewModel.monitor.browserBypasses
            }

            RowLayout {
                Layout.fillWidth: true
                spacing: 18

                // Left: progress and protection.
                ColumnLayout {
                    Layout.fillWidth: true
                    Layout.preferredWidth: 3
                    Layout.alignment: Qt.AlignTop
                    spacing: 18

                    Rectangle {
                        id: progressCard
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
                                    text: root.viewModel.gamblingFreeDays
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
                                text: root.viewModel.milestoneText
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
                                    detail: root.viewModel.dns.statusText
                                    inPlace: root.viewModel.dns.isActive
                                }
                                LayerRow {
                                    Layout.fillWidth: true
                                    Layout.preferredWidth: 1
                                    Layout.alignment: Qt.AlignTop
                                    dark: true
                                    icon: "network"
                                    title: "VPN"
                                    detail: root.viewModel.vpn.statusText
                                    inPlace: !root.viewModel.vpn.isVPNActive
                                }
                                LayerRow {
                                    Layout.fillWidth: true
                                    Layout.preferredWidth: 1
                                    Layout.alignment: Qt.AlignTop
                                    dark: true
                                    icon: "power.circle.fill"
                                    title: "Automatisk start"
                                    detail: root.viewModel.launchAtLogin.statusText
                                    inPlace: root.viewModel.launchAtLogin.isSatisfied
                                }
                            }
                        }
                    }

                    Card {
                        Layout.fillWidth: true
                        ColumnLayout {
                            anchors.fill: parent
                            spacing: 10
                            RowLayout {
                                Layout.fillWidth: true
                                MolvenaText {
                                    Layout.fillWidth: true
                                    text: "Beskyttelsen på denne Mac"
                                    font.pixelSize: 16
                                    font.weight: Font.Bold
                                    color: MolvenaTheme.navyDeep
                                }
                                SymbolIcon {
                                    name: root.viewModel.isFullyProtected ? "checkmark.circle.fill" : "exclamationmark.circle.fill"
                                    color: root.viewModel.isFullyProtected ? MolvenaTheme.green : MolvenaTheme.red
                                    size: 13
                                }
                                MolvenaText {
                                    objectName: "protectionBadge"
                                    text: root.viewModel.isFullyProtected ? "AKTIV" : "KRÆVER TJEK"
                                    font.pixelSize: 11
                                    font.weight: Font.Bold
                                    font.letterSpacing: 1
                                    color: root.viewModel.isFullyProtected ? MolvenaTheme.green : MolvenaTheme.red
                                }
                            }
                            MolvenaText {
                                Layout.fillWidth: true
                                text: root.viewModel.isFullyProtected ? "Webbeskyttelsen er aktiv, ingen VPN er registreret, og Molvena starter automatisk." : "Et eller flere sikkerhedslag kræver din opmærksomhed."
                                font.pixelSize: 13
                                color: MolvenaTheme.muted
                                wrapMode: Text.WordWrap
                            }
                            LayerRow {
                                Layout.fillWidth: true
                                icon: "network.badge.shield.half.filled"
                                title: "Webbeskyttelse"
                                detail: root.viewModel.dns.statusText
                                inPlace: root.viewModel.dns.isActive
                            }
                            LayerRow {
                                Layout.fillWidth: true
                                icon: "network"
                                title: "VPN"
                                detail: root.viewModel.vpn.statusText
                                inPlace: !root.viewModel.vpn.isVPNActive
                            }
                            LayerRow {
                                Layout.fillWidth: true
                                icon: "power.circle.fill"
                                title: "Automatisk start"
                                detail: root.viewModel.launchAtLogin.statusText
                                inPlace: root.viewModel.launchAtLogin.isSatisfied
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
                                    busy: root.viewModel.syncing
                                    text: root.viewModel.syncing ? "Synkroniserer…" : "Synkronisér"
                                    onClicked: root.viewModel.synchronize()
                                }
                            }
                        }
                    }
                }

                // Right: support and block list.
                ColumnLayout {
                    Layout.fillWidth: true
                    Layout.preferredWidth: 2
                    Layout.alignment: Qt.AlignTop
                    spacing: 18

                    Card {
                        Layout.fillWidth: true
                        ColumnLayout {
                            anchors.fill: parent
                            spacing: 10
                            MolvenaText {
                                text: "Din forbindelse"
                                font.pixelSize: 16
                                font.weight: Font.Bold
                                color: MolvenaTheme.navyDeep
                            }
                            RowLayout {
                                spacing: 6
                                SymbolIcon {
                                    name: "person.2.fill"
                                    color: MolvenaTheme.blue
                                    size: 13
                                }
                                MolvenaEyebrow {
                                    text: "PARRINGSKODE"
                                }
                            }
                            RowLayout {
                                Layout.fillWidth: true
                                TextEdit {
                                    objectName: "pairingCode"
                                    Layout.fillWidth: true
                                    text: root.viewModel.pairingCodeDisplay
                                    readOnly: true
                                    selectByMouse: true
                                    font.family: "monospace"
                                    font.pixelSize: 30
                                    font.weight: Font.Bold
                                    color: MolvenaTheme.navyDeep
                                    Accessible.role: Accessible.StaticText
                                    Accessible.name: "Parringskode " + text
                                }
                                SecondaryButton {
                                    objectName: "copyPairingCode"
                                    leadingIcon: root.viewModel.didCopy ? "checkmark" : "doc.on.doc"
                                    text: ""
                                    Accessible.name: "Kopiér parringskoden"
                                    onClicked: root.viewModel.copyPairingCode()
                                }
                            }
                            MolvenaText {
                                Layout.fillWidth: true
                                text: "Del kun koden med den person, du vil forbinde."
                                font.pixelSize: 12
                                color: MolvenaTheme.muted
                                wrapMode: Text.WordWrap
                            }
                            Rectangle {
                                Layout.fillWidth: true
                                implicitHeight: 1
                                color: MolvenaTheme.line
                            }
                            RowLayout {
                                objectName: "noRelatives"
                                visible: root.viewModel.relatives.length === 0
                                spacing: 10
                                SymbolIcon {
                                    name: "person.badge.plus"
                                    color: MolvenaTheme.muted
                                    size: 18
                                }
                                ColumnLayout {
                                    spacing: 1
                                    MolvenaText {
                                        text: "Ingen er tilkoblet endnu"
                                        font.pixelSize: 13
                                        font.weight: Font.DemiBold
                                        color: MolvenaTheme.navyDeep
                                    }
                                    MolvenaText {
                                        text: "Koden ovenfor kan bruges i Molvena."
                                        font.pixelSize: 12
                                        color: MolvenaTheme.muted
                                    }
                                }
                            }
                            MolvenaText {
                                visible: root.viewModel.relatives.length > 0
                                text: "TILKNYTTEDE STØTTEPERSONER"
                                font.pixelSize: 10
                                font.weight: Font.Bold
                                font.letterSpacing: 1
                                color: MolvenaTheme.muted
                            }
                            Repeater {
                                model: root.viewModel.relatives
                                delegate: RowLayout {
                                    id: relativeRow
                                    required property var modelData
                                    required property int index
                                    objectName: "relative" + index
                                    Layout.fillWidth: true
                                    spacing: 10
                                    Rectangle {
                                        implicitWidth: 24
                                        implicitHeight: 24
                                        radius: 12
                                        color: MolvenaTheme.withOpacity(MolvenaTheme.green, 0.12)
                                        SymbolIcon {
                                            anchors.centerIn: parent
                                            name: "checkmark"
                                            color: MolvenaTheme.green
                                            size: 12
                                        }
                                    }
                                    ColumnLayout {
                                        Layout.fillWidth: true
                                        spacing: 0
                                        MolvenaText {
                                            objectName: "relativeLabel" + relativeRow.index
                                            Layout.fillWidth: true
                                            text: relativeRow.modelData.label
                                            font.pixelSize: 13
                                            font.weight: Font.DemiBold
                                            color: MolvenaTheme.navyDeep
                                            elide: Text.ElideRight
                                        }
                                        MolvenaText {
                                            text: "Tilkoblet"
                                            font.pixelSize: 11
                                            color: MolvenaTheme.green
                                        }
                                    }
                                    MolvenaText {
                                        visible: text.length > 0
                                        text: String(relativeRow.modelData.platformLabel).toUpperCase()
                                        font.pixelSize: 9
                                        font.weight: Font.Bold
                                        color: MolvenaTheme.muted
                                    }
                                }
                            }
                        }
                    }

                    Card {
                        Layout.fillWidth: true
                        ColumnLayout {
                            anchors.fill: parent
                            spacing: 6
                            MolvenaText {
                                objectName: "blockListCount"
                                text: root.viewModel.domains.formattedCount
                                font.pixelSize: 20
                                font.weight: Font.Black
                                color: MolvenaTheme.navyDeep
                            }
                            MolvenaText {
                                text: "Det ligger bag skjoldet"
                                font.pixelSize: 13
                                font.weight: Font.DemiBold
                                color: MolvenaTheme.ink
                            }
                            MolvenaText {
                                Layout.fillWidth: true
                                text: "Bloklisten opdateres løbende — du behøver ikke opdatere appen for at få det nyeste antal."
                                font.pixelSize: 12
                                color: MolvenaTheme.muted
                                wrapMode: Text.WordWrap
                            }
                            Flow {
                                Layout.topMargin: 4
                                Layout.fillWidth: true
                                spacing: 6
                                Repeater {
                                    model: [
                                        { "text": "Udenlandske casinoer", "icon": "globe" },
                                        { "text": "Mirror-sites", "icon": "rectangle.on.rectangle" },
                                        { "text": "Crypto-casinoer", "icon": "bitcoinsign.circle" },
                                        { "text": "Skinbetting", "icon": "gamecontroller" }
                                    ]
                                    delegate: Rectangle {
                                        id: chip
                                        required property var modelData
                                        implicitWidth: chipRow.implicitWidth + 16
                                        implicitHeight: 24
                                        radius: 12
                                        color: MolvenaTheme.blueSoft
                                        RowLayout {
                                            id: chipRow
                                            anchors.centerIn: parent
                                            spacing: 4
                                            SymbolIcon {
                                                name: chip.modelData.icon
                                                color: MolvenaTheme.blue
                                                size: 11
                                            }
                                            MolvenaText {
                                                text: chip.modelData.text
                                                font.pixelSize: 11
                                                font.weight: Font.Medium
                                                color: MolvenaTheme.navyDeep
                                            }
                                        }
                                    }
                                }
                            }
                        }
                    }
                }
            }
        }
    }

    KeepInView {
        flickable: scroller
    }

    // The header menu, over the page.
    DashboardMenu {
        id: menu
        anchors.fill: parent
        onSettingsChosen: root.viewModel.openSettings("account")
        onLogOutChosen: root.viewModel.logOut()
    }

    // The settings window, made anew each time it opens.
    // The window's model is handed over once: on closing its view goes without seeing a null model.
    Repeater {
        model: root.viewModel.settings !== null ? [root.viewModel.settings] : []
        delegate: Item {
            id: settingsHolder
            required property PlayerSettingsViewModel modelData
            width: root.width
            height: root.height
            PlayerSettingsView {
                anchors.fill: parent
                viewModel: settingsHolder.modelData
            }
        }
    }
}
