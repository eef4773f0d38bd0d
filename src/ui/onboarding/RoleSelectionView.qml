import QtQuick
import Molvena
import QtQuick.Layouts

// The first screen of a fresh installation: protection for oneself, or support for someone.
Item {
    id: root

    required property RoleSelectionViewModel viewModel

    RowLayout {
        anchors.fill: parent
        spacing: 0

        Item {
            Layout.fillHeight: true
            Layout.preferredWidth: Math.max(root.width * 0.6, 590)

            ColumnLayout {
                anchors.fill: parent
                anchors.leftMargin: 58
                anchors.rightMargin: 58
                anchors.topMargin: 48
                anchors.bottomMargin: 48
                spacing: 0

                MolvenaLogo {}

                Item {
                    Layout.fillHeight: true
                }

                MolvenaEyebrow {
                    text: "MOLVENA TIL MAC"
                }
                MolvenaText {
                    Layout.topMargin: 14
                    Layout.fillWidth: true
                    text: "Mere afstand til spil.\nOgså på din " + DeviceWords.noun + "."
                    font.pixelSize: 44
                    font.weight: Font.Black
                    font.letterSpacing: -0.6
                    lineHeight: 1.02
                    color: MolvenaTheme.navyDeep
                    wrapMode: Text.WordWrap
                    Accessible.role: Accessible.Heading
                    Accessible.name: text
                }
                MolvenaText {
                    Layout.topMargin: 16
                    Layout.fillWidth: true
                    Layout.maximumWidth: 560
                    text: "Molvena blokerer gambling på tværs af browsere og apps. Du kan også bruge " + DeviceWords.platform + "-appen som pårørende og følge relevante hændelser — uden adgang til resten af personens computer."
                    font.pixelSize: 16
                    lineHeight: 1.3
                    color: MolvenaTheme.muted
                    wrapMode: Text.WordWrap
                }

                ColumnLayout {
                    Layout.topMargin: 30
                    Layout.maximumWidth: 460
                    Layout.fillWidth: true
                    spacing: 12

                    PrimaryButton {
                        objectName: "choosePlayer"
                        Layout.fillWidth: true
                        fullWidth: true
                        text: "Jeg vil være molvena"
                        leadingIcon: "shield.checkered"
                        trailingIcon: "arrow.right"
                        onClicked: root.viewModel.choosePlayer()
                    }
                    PrimaryButton {
                        objectName: "chooseRelative"
                        Layout.fillWidth: true
                        fullWidth: true
                        text: "Jeg er pårørende"
                        tint: MolvenaTheme.red
                        leadingIcon: "heart.fill"
                        onClicked: root.viewModel.chooseRelative()
                    }
                }

                RowLayout {
                    Layout.topMargin: 18
                    spacing: 6

                    MolvenaText {
                        text: "Har du allerede en konto?"
                        font.pixelSize: 13
                        color: MolvenaTheme.muted
                    }
                    LinkButton {
                        objectName: "recoverPlayer"
                        text: "Spiller"
                        onClicked: root.viewModel.recoverPlayer()
                    }
                    MolvenaText {
                        text: "·"
                        font.pixelSize: 13
                        color: MolvenaTheme.muted
                    }
                    LinkButton {
                        objectName: "recoverRelative"
                        text: "Pårørende"
                        onClicked: root.viewModel.recoverRelative()
                    }
                }

                RowLayout {
                    Layout.topMargin: 26
                    spacing: 18

                    Repeater {
                        model: ["Lokal blokering", "Pårørende", "Samme konto"]

                        delegate: RowLayout {
                            id: checkLabel
                            required property string modelData
                            spacing: 6

                            SymbolIcon {
                                name: "checkmark.circle.fill"
                                color: MolvenaTheme.green
                                size: 14
                            }
                            MolvenaText {
                                text: checkLabel.modelData
                                font.pixelSize: 13
                                font.weight: Font.DemiBold
                                color: MolvenaTheme.navyDeep
                            }
                        }
                    }
                }

                Item {
                    Layout.fillHeight: true
                }

                RowLayout {
                    spacing: 8

                    SymbolIcon {
                        name: "lock.shield.fill"
                        color: MolvenaTheme.muted
                        size: 13
                    }
                    MolvenaText {
                        text: DeviceWords.platform + "-appen er et separat projekt. Din iPhone-installation ændres ikke."
                        font.pixelSize: 12
                        color: MolvenaTheme.muted
                    }
                }
            }
        }

        MacHeroPanel {
            Layout.fillWidth: true
            Layout.fillHeight: true
            role: "BESKYTTELSE PÅ MAC"
            accentRed: false
            domains: root.viewModel.domains
        }
    }
}
