pragma ComponentBehavior: Bound
import QtQuick
import Molvena
import QtQuick.Layouts

// The last step of a player's onboarding: the three protection layers, each with its live status and
// one action. The root view opens the dashboard as soon as all three are in place.
Item {
    id: root

    required property ProtectionSetupViewModel viewModel

    Component.onCompleted: root.viewModel.appeared()

    RowLayout {
        anchors.fill: parent
        spacing: 0

        // Side panel: where the player stands.
        Rectangle {
            Layout.fillHeight: true
            Layout.preferredWidth: 360
            gradient: Gradient {
                GradientStop {
                    position: 0
                    color: MolvenaTheme.navyDeep
                }
                GradientStop {
                    position: 1
                    color: MolvenaTheme.navy
                }
            }

            ColumnLayout {
                anchors.fill: parent
                anchors.margins: 40
                spacing: 0

                MolvenaLogo {
                    light: true
                }
                Item {
                    Layout.fillHeight: true
                }
                MolvenaEyebrow {
                    objectName: "setupPanelEyebrow"
                    light: true
                    text: root.viewModel.allStepsComplete ? "KLAR TIL BRUG" : "TRE TRIN · ÉT SKJOLD"
                }
                RowLayout {
                    Layout.topMargin: 12
                    spacing: 12
                    MolvenaText {
                        objectName: "setupPanelTitle"
                        Layout.fillWidth: true
                        text: root.viewModel.allStepsComplete ? "Din " + DeviceWords.noun + " er\nbeskyttet." : "Gør beskyttelsen\nfærdig."
                        font.pixelSize: 30
                        font.weight: Font.Black
                        lineHeight: 1.05
                        color: "white"
                        Accessible.role: Accessible.Heading
                        Accessible.name: text
                    }
                    SymbolIcon {
                        Layout.alignment: Qt.AlignTop
                        name: root.viewModel.allStepsComplete ? "checkmark" : "lock.fill"
                        color: "white"
                        size: 22
                    }
                }
                ColumnLayout {
                    Layout.topMargin: 28
                    Layout.fillWidth: true
                    spacing: 14

                    ChecklistLine {
                        objectName: "checklistLogin"
                        Layout.fillWidth: true
                        text: "Starter automatisk"
                        done: root.viewModel.launchAtLogin.isSatisfied
                    }
                    ChecklistLine {
                        objectName: "checklistWeb"
                        Layout.fillWidth: true
                        text: root.viewModel.webChecklistText
                        done: root.viewModel.dns.isActive
                    }
                    ChecklistLine {
                        objectName: "checklistVPN"
                        Layout.fillWidth: true
                        text: root.viewModel.vpn.isVPNActive ? "VPN aktiv · slå fra" : "Ingen VPN registreret"
                        done: !root.viewModel.vpn.isVPNActive
                    }
                    ChecklistLine {
                        Layout.fillWidth: true
                        text: root.viewModel.domains.formattedCount + " domæner dækket"
                        done: true
                    }
                }
                Item {
                    Layout.fillHeight: true
                }
            }
        }

        // Main column: the three steps.
        Flickable {
            Layout.fillWidth: true
            Layout.fillHeight: true
            contentHeight: column.implicitHeight + 80
            clip: true
            boundsBehavior: Flickable.StopAtBounds

            ColumnLayout {
                id: column
                x: 52
                y: 40
                width: parent.width - 104
                spacing: 0

                MolvenaEyebrow {
                    text: "SIDSTE TRIN · BESKYTTELSE"
                }
                MolvenaText {
                    objectName: "setupTitle"
                    Layout.topMargin: 10
                    Layout.fillWidth: true
                    text: "Gør din " + DeviceWords.noun + "\nklar til Molvena."
                    font.pixelSize: 34
                    font.weight: Font.Black
                    lineHeight: 1.04
                    color: MolvenaTheme.navyDeep
                    Accessible.role: Accessible.Heading
                    Accessible.name: text
                }
                MolvenaText {
                    Layout.topMargin: 12
                    Layout.fillWidth: true
                    text: "Tre ting skal være på plads. Molvena starter automatisk, webbeskyttelsen blokerer gambling-sider, og en aktiv VPN må ikke kunne føre trafikken uden om beskyttelsen."
                    font.pixelSize: 14
                    lineHeight: 1.25
                    color: MolvenaTheme.muted
                    wrapMode: Text.WordWrap
                }

                ProtectionStepCard {
                    Layout.topMargin: 22
                    Layout.fillWidth: true
                    number: "01"
                    icon: "power.circle.fill"
                    title: "Start Molvena automatisk"
                    subtitle: "Sørger for, at beskyttelsen bliver kontrolleret igen efter genstart."
                    done: root.viewModel.launchAtLogin.isSatisfied
                    statusText: root.viewModel.launchAtLogin.statusText
                    detailText: root.viewModel.loginDetailText
                    showButton: !done
                    buttonText: root.viewModel.loginButtonText
                    buttonObjectName: "loginStepButton"
                    helpText: root.viewModel.launchAtLogin.actionHelpText
                    onAction: root.viewModel.loginAction()
                }
                ProtectionStepCard {
                    Layout.topMargin: 12
                    Layout.fillWidth: true
                    number: "02"
                    icon: "network.badge.shield.half.filled"
                    title: "Installer Molvena-beskyttelsen"
                    subtitle: "Blokerer gambling-sider på denne " + DeviceWords.noun + " — også i " + DeviceWords.browsers + "."
                    done: root.viewModel.dns.isActive
                    statusText: root.viewModel.webStatusText
                    detailText: root.viewModel.dns.detailText
                    showButton: !done
                    buttonText: root.viewModel.webButtonText
                    buttonEnabled: !root.viewModel.dns.isChecking
                    buttonObjectName: "webStepButton"
                    onAction: root.viewModel.openProfileSetup()
                }
                ProtectionStepCard {
                    Layout.topMargin: 12
                    Layout.fillWidth: true
                    number: "03"
                    icon: "network"
                    title: "Kontrollér VPN"
                    subtitle: "En VPN kan omgå webbeskyttelsen ved at ændre netværk og DNS."
                    done: !root.viewModel.vpn.isVPNActive
                    statusText: root.viewModel.vpn.statusText
                    detailText: root.viewModel.vpn.detailText
                    showButton: root.viewModel.vpn.isVPNActive
                    buttonText: "Åbn netværksindstillinger"
                    buttonObjectName: "vpnStepButton"
                    helpText: root.viewModel.vpn.settingsHelpText
                    onAction: root.viewModel.openNetworkSettings()
                }

                RowLayout {
                    Layout.topMargin: 20
                    Layout.fillWidth: true
                    spacing: 16
                    MolvenaText {
                        objectName: "setupFooter"
                        Layout.fillWidth: true
                        text: root.viewModel.allStepsComplete ? "Klar — dashboardet åbner nu." : "Dashboardet åbner, når alle tre trin er gennemført."
                        font.pixelSize: 13
                        font.weight: Font.Medium
                        color: MolvenaTheme.ink
                        wrapMode: Text.WordWrap
                    }
                    SecondaryButton {
                        objectName: "recheckButton"
                        text: root.viewModel.checking ? "Kontrollerer…" : "Kontrollér igen"
                        leadingIcon: root.viewModel.checking ? "" : "arrow.clockwise"
                        busy: root.viewModel.checking
                        onClicked: root.viewModel.recheck()
                    }
                }
                RowLayout {
                    Layout.topMargin: 14
                    spacing: 8
                    SymbolIcon {
                        name: "lock.shield.fill"
                        color: MolvenaTheme.muted
                        size: 14
                    }
                    MolvenaText {
                        text: "Molvena kontrollerer løbende, at webbeskyttelsen stadig er aktiv."
                        font.pixelSize: 12
                        color: MolvenaTheme.muted
                    }
                }
            }
        }
    }

    // The profile sheet, made anew for each presentation.
    Repeater {
        model: root.viewModel.profileSheet !== null ? 1 : 0
        delegate: MacDNSProfileSetupSheet {
            width: root.width
            height: root.height
            viewModel: root.viewModel.profileSheet
            onCloseRequested: root.viewModel.closeProfileSetup()
        }
    }
}
