import QtQuick
import QtQuick.Layouts
import QtQuick.Window
import Molvena

// Every design component in its states, for screenshots and checks by objectName.
Window {
    id: window

    required property var domains

    width: 2200
    height: 1010
    visible: true
    color: MolvenaTheme.canvas

    RowLayout {
        anchors.fill: parent
        anchors.margins: 24
        spacing: 24

        ColumnLayout {
            Layout.preferredWidth: 680
            Layout.alignment: Qt.AlignTop
            spacing: 18

            RowLayout {
                spacing: 24
                MolvenaLogo { objectName: "logo" }
                MolvenaLogo { objectName: "logoCompact"; compact: true }
                ShieldShape { objectName: "shield"; width: 29; height: 34; fillColor: MolvenaTheme.navyDeep }
                MolvenaEyebrow { objectName: "eyebrow"; text: "Molvena til Mac" }
            }

            Flow {
                Layout.fillWidth: true
                spacing: 14
                PrimaryButton {
                    objectName: "primary"
                    text: "Jeg vil være molvena"
                    leadingIcon: "shield.checkered"
                    trailingIcon: "arrow.right"
                }
                PrimaryButton {
                    objectName: "primaryRed"
                    text: "Jeg er pårørende"
                    tint: MolvenaTheme.red
                    leadingIcon: "heart.fill"
                }
                PrimaryButton { objectName: "primaryDisabled"; text: "Fortsæt"; trailingIcon: "arrow.right"; enabled: false }
                PrimaryButton { objectName: "primaryBusy"; text: "Opretter…"; busy: true }
                SecondaryButton { objectName: "secondary"; text: "Tilbage" }
                SecondaryButton { objectName: "secondaryDisabled"; text: "Forrige"; enabled: false }
            }
            PrimaryButton { objectName: "primaryFull"; text: "Fortsæt til beskyttelse"; trailingIcon: "arrow.right"; fullWidth: true }

            Rectangle {
                objectName: "darkStrip"
                Layout.fillWidth: true
                implicitHeight: 80
                radius: 14
                color: MolvenaTheme.navyDeep
                RowLayout {
                    anchors.centerIn: parent
                    spacing: 18
                    MolvenaLogo { light: true }
                    MolvenaEyebrow { text: "Beskyttelse på Mac"; light: true }
                    SecondaryButton { objectName: "secondaryLight"; text: "Kontrollér igen"; light: true; leadingIcon: "arrow.clockwise" }
                }
            }

            RowLayout {
                Layout.fillWidth: true
                spacing: 14
                MolvenaTextField {
                    objectName: "nameField"
                    title: "Navn"
                    placeholder: "Dit navn"
                    onEdited: (value) => text = value
                }
                MolvenaTextField {
                    objectName: "spendField"
                    title: "Månedligt forbrug"
                    placeholder: "fx 1.500"
                    prefix: "kr."
                    suffix: "/ md."
                    onEdited: (value) => text = value.replace(/[^0-9]/g, "").slice(0, 8)
                }
            }
            RowLayout {
                Layout.fillWidth: true
                spacing: 14
                MolvenaTextField {
                    objectName: "pinField"
                    title: "4-cifret Master PIN"
                    placeholder: "••••"
                    secure: true
                    onEdited: (value) => text = value.replace(/[^0-9]/g, "").slice(0, 4)
                }
                MolvenaTextField {
                    objectName: "otherPinField"
                    title: "4-cifret Master PIN"
                    placeholder: "••••"
                    secure: true
                    onEdited: (value) => text = value.replace(/[^0-9]/g, "").slice(0, 4)
                }
            }

            ExistingAccountPrompt { objectName: "prompt"; roleLabel: "spiller" }
            ExistingAccountPrompt { objectName: "promptRed"; roleLabel: "pårørende"; tint: MolvenaTheme.red }

            Card {
                objectName: "card"
                Layout.fillWidth: true
                ColumnLayout {
                    anchors.fill: parent
                    spacing: 8
                    MolvenaEyebrow { text: "Parringskode" }
                    SymbolIcon { id: catalogue; visible: false }
                    Text { text: "482 917"; font.pixelSize: 28; font.weight: Font.Black; color: MolvenaTheme.navyDeep }
                    Flow {
                        Layout.fillWidth: true
                        spacing: 8
                        Repeater {
                            model: catalogue.names
                            SymbolIcon {
                                required property string modelData
                                name: modelData
                                size: 18
                                color: MolvenaTheme.blue
                            }
                        }
                    }
                }
            }

            Rectangle {
                Layout.fillWidth: true
                implicitHeight: 56
                color: MolvenaTheme.blueSoft
                radius: 12
                Row {
                    anchors.centerIn: parent
                    spacing: 10
                    FeaturePill { objectName: "pill"; icon: "safari"; text: "Browsere" }
                    FeaturePill { icon: "network"; text: "Apps" }
                }
            }
        }

        // At the size the role selection screen gives the panel in its default window.
        RowLayout {
            Layout.alignment: Qt.AlignTop
            spacing: 16
            MacHeroPanel {
                objectName: "heroBlue"
                Layout.preferredWidth: 472
                Layout.preferredHeight: 760
                role: "Beskyttelse på Mac"
                domains: window.domains
            }
            MacHeroPanel {
                objectName: "heroRed"
                Layout.preferredWidth: 472
                Layout.preferredHeight: 760
                role: "Støtte uden overvågning"
                accentRed: true
            }
            MacHeroPanel {
                objectName: "heroStep"
                Layout.preferredWidth: 472
                Layout.preferredHeight: 760
                eyebrow: "Din konto"
                title: "Samme Molvena.\nNy enhed."
                body: "Mac-versionen bruger samme backend og samme pårørende-forbindelse, men har sin egen lokale beskyttelse."
                headIcon: "person.badge.shield.checkmark"
                rows: ["6-cifret pårørende-kode", "4-cifret Master PIN", "Beskyttelse på denne Mac"]
            }
        }
    }
}
