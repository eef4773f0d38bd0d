import QtQuick
import Molvena
import QtQuick.Layouts
import QtQuick.Controls.Basic

// The relative connects to the player with the player's six-digit code.
Item {
    id: root

    required property RelativePairingViewModel viewModel

    RowLayout {
        anchors.fill: parent
        spacing: 0

        ScrollView {
            id: scroller
            Layout.fillHeight: true
            Layout.preferredWidth: Math.max(root.width * 0.64, 620)
            contentWidth: availableWidth
            clip: true

            ColumnLayout {
                width: scroller.availableWidth
                spacing: 0

                ColumnLayout {
                    Layout.fillWidth: true
                    Layout.leftMargin: 44
                    Layout.rightMargin: 44
                    Layout.topMargin: 56
                    Layout.bottomMargin: 56
                    spacing: 0

                    SecondaryButton {
                        objectName: "pairingBack"
                        text: "Tilbage"
                        leadingIcon: "chevron.left"
                        onClicked: root.viewModel.back()
                    }

                    MolvenaEyebrow {
                        Layout.topMargin: 26
                        text: "PÅRØRENDE"
                    }
                    MolvenaText {
                        objectName: "pairingTitle"
                        Layout.topMargin: 10
                        Layout.fillWidth: true
                        text: "Forbind til den,\ndu støtter"
                        font.pixelSize: 34
                        font.weight: Font.Black
                        lineHeight: 1.05
                        color: MolvenaTheme.navyDeep
                        wrapMode: Text.WordWrap
                        Accessible.role: Accessible.Heading
                        Accessible.name: text
                    }
                    MolvenaText {
                        Layout.topMargin: 10
                        Layout.fillWidth: true
                        text: "Indtast den 6-cifrede kode fra Molvena. Du får et støtteoverblik med molvenae dage, skjoldstatus og relevante hændelser."
                        font.pixelSize: 15
                        lineHeight: 1.3
                        color: MolvenaTheme.muted
                        wrapMode: Text.WordWrap
                    }

                    ExistingAccountPrompt {
                        Layout.topMargin: 20
                        Layout.fillWidth: true
                        roleLabel: "pårørende"
                        tint: MolvenaTheme.red
                        onAction: root.viewModel.recoverAccount()
                    }

                    RowLayout {
                        Layout.topMargin: 22
                        Layout.fillWidth: true
                        spacing: 14

                        MolvenaTextField {
                            objectName: "pairingCodeField"
                            Layout.fillWidth: true
                            title: "Pårørende-kode"
                            placeholder: "123 456"
                            inputMethodHints: Qt.ImhDigitsOnly
                            text: root.viewModel.code
                            onEdited: value => root.viewModel.code = value
                        }
                        MolvenaTextField {
                            objectName: "pairingEmailField"
                            Layout.fillWidth: true
                            title: "Din e-mail"
                            placeholder: "navn@eksempel.dk"
                            inputMethodHints: Qt.ImhEmailCharactersOnly
                            text: root.viewModel.email
                            onEdited: value => root.viewModel.email = value
                            onAccepted: root.viewModel.submit()
                        }
                    }

                    RowLayout {
                        objectName: "pairingError"
                        visible: root.viewModel.error !== ""
                        Layout.topMargin: 14
                        Layout.fillWidth: true
                        spacing: 8

                        SymbolIcon {
                            name: "exclamationmark.triangle.fill"
                            color: MolvenaTheme.red
                            size: 13
                        }
                        MolvenaText {
                            objectName: "pairingErrorText"
                            Layout.fillWidth: true
                            text: root.viewModel.error
                            font.pixelSize: 12
                            font.weight: Font.DemiBold
                            color: MolvenaTheme.red
                            wrapMode: Text.WordWrap
                            Accessible.role: Accessible.AlertMessage
                            Accessible.name: text
                        }
                    }

                    PrimaryButton {
                        objectName: "pairingSubmit"
                        Layout.topMargin: 22
                        Layout.fillWidth: true
                        fullWidth: true
                        tint: MolvenaTheme.red
                        text: root.viewModel.busy ? "Forbinder…" : "Forbind som pårørende"
                        busy: root.viewModel.busy
                        trailingIcon: root.viewModel.busy ? "" : "arrow.right"
                        enabled: root.viewModel.canSubmit
                        opacity: enabled ? 1 : 0.55
                        onClicked: root.viewModel.submit()
                    }

                    RowLayout {
                        Layout.topMargin: 16
                        Layout.fillWidth: true
                        spacing: 8

                        SymbolIcon {
                            Layout.alignment: Qt.AlignTop
                            name: "checkmark.shield.fill"
                            color: MolvenaTheme.muted
                            size: 13
                        }
                        MolvenaText {
                            Layout.fillWidth: true
                            text: "Du ser kun det, der er relevant — ikke aktivitet på resten af computeren."
                            font.pixelSize: 12
                            color: MolvenaTheme.muted
                            wrapMode: Text.WordWrap
                        }
                    }
                }
            }
        }

        MacHeroPanel {
            Layout.fillWidth: true
            Layout.fillHeight: true
            role: "STØTTE UDEN OVERVÅGNING"
            accentRed: true
            domains: root.viewModel.domains
        }
    }

    KeepInView {
        flickable: scroller.contentItem as Flickable
    }
}
