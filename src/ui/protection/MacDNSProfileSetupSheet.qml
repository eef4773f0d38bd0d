pragma ComponentBehavior: Bound
import QtQuick
import Molvena
import QtQuick.Layouts

// The profile sheet over its screen: download in the browser, install by hand, confirm that it blocks.
ModalScope {
    id: sheet

    required property MacDNSProfileSetupViewModel viewModel
    readonly property bool isActive: sheet.viewModel !== null && sheet.viewModel.dns.isActive

    Component.onCompleted: sheet.viewModel.appeared()

    // The screen behind stays visible but takes no clicks.
    Rectangle {
        anchors.fill: parent
        color: MolvenaTheme.withOpacity(MolvenaTheme.navyDeep, 0.38)
        MouseArea {
            anchors.fill: parent
        }
    }

    Card {
        anchors.centerIn: parent
        width: Math.min(parent.width - 80, 620)
        padding: 30

        ColumnLayout {
            anchors.fill: parent
            spacing: 0

            SymbolIcon {
                name: sheet.isActive ? "checkmark.shield.fill" : "network.badge.shield.half.filled"
                color: sheet.isActive ? MolvenaTheme.green : MolvenaTheme.blue
                size: 30
            }
            MolvenaEyebrow {
                Layout.topMargin: 12
                text: "WEBBESKYTTELSE"
            }
            MolvenaText {
                objectName: "profileSheetTitle"
                Layout.topMargin: 6
                Layout.fillWidth: true
                text: sheet.isActive ? "Beskyttelsen er aktiv" : "Installer Molvena-beskyttelsen"
                font.pixelSize: 24
                font.weight: Font.Black
                color: MolvenaTheme.navyDeep
                Accessible.role: Accessible.Heading
                Accessible.name: text
            }
            MolvenaText {
                Layout.topMargin: 6
                Layout.fillWidth: true
                text: "Beskyttelsesprofilen sørger for, at kendte gambling-sider bliver blokeret på denne Mac."
                font.pixelSize: 13
                color: MolvenaTheme.muted
                wrapMode: Text.WordWrap
            }

            // Confirmed: only the confirmation.
            Rectangle {
                Layout.topMargin: 18
                Layout.fillWidth: true
                visible: sheet.isActive
                implicitHeight: confirmation.implicitHeight + 32
                radius: 14
                color: MolvenaTheme.withOpacity(MolvenaTheme.green, 0.08)

                RowLayout {
                    id: confirmation
                    anchors.fill: parent
                    anchors.margins: 16
                    spacing: 12
                    SymbolIcon {
                        Layout.alignment: Qt.AlignTop
                        name: "checkmark.circle.fill"
                        color: MolvenaTheme.green
                        size: 20
                    }
                    ColumnLayout {
                        Layout.fillWidth: true
                        spacing: 4
                        MolvenaText {
                            objectName: "profileConfirmedTitle"
                            text: "Webbeskyttelsen er bekræftet"
                            font.pixelSize: 15
                            font.weight: Font.Bold
                            color: MolvenaTheme.navyDeep
                        }
                        MolvenaText {
                            Layout.fillWidth: true
                            text: "Molvena har kontrolleret, at blokeringen er aktiv på denne Mac."
                            font.pixelSize: 13
                            color: MolvenaTheme.muted
                            wrapMode: Text.WordWrap
                        }
                    }
                }
            }
            PrimaryButton {
                objectName: "profileDoneButton"
                Layout.topMargin: 18
                Layout.alignment: Qt.AlignRight
                visible: sheet.isActive
                text: "Færdig"
                onClicked: sheet.closeRequested()
            }

            // Not yet confirmed: the three steps and their buttons.
            ColumnLayout {
                Layout.topMargin: 18
                Layout.fillWidth: true
                visible: !sheet.isActive
                spacing: 12

                Repeater {
                    model: [
                        {
                            "number": "01",
                            "title": "Hent beskyttelsesprofilen",
                            "text": "Molvena henter den personlige beskyttelsesprofil til denne Mac.",
                            "done": sheet.viewModel.step >= 1
                        },
                        {
                            "number": "02",
                            "title": "Installer i Systemindstillinger",
                            "text": "Åbn Generelt → Enhedsstyring, vælg ‘Molvena DNS’, og gennemfør installationen.",
                            "done": sheet.viewModel.step >= 2
                        },
                        {
                            "number": "03",
                            "title": "Kontrollér beskyttelsen",
                            "text": "Når profilen er installeret, kontrollerer Molvena, at blokeringen faktisk virker.",
                            "done": sheet.isActive
                        }
                    ]
                    delegate: RowLayout {
                        id: profileStep
                        required property var modelData
                        required property int index
                        objectName: "profileStep" + (index + 1)
                        Layout.fillWidth: true
                        spacing: 12
                        MolvenaText {
                            Layout.alignment: Qt.AlignTop
                            Layout.preferredWidth: 20
                            text: profileStep.modelData.number
                            font.pixelSize: 12
                            font.weight: Font.Black
                            color: MolvenaTheme.blue
                        }
                        ColumnLayout {
                            Layout.fillWidth: true
                            spacing: 2
                            MolvenaText {
                                text: profileStep.modelData.title
                                font.pixelSize: 14
                                font.weight: Font.Bold
                                color: MolvenaTheme.navyDeep
                            }
                            MolvenaText {
                                Layout.fillWidth: true
                                text: profileStep.modelData.text
                                font.pixelSize: 12
                                color: MolvenaTheme.muted
                                wrapMode: Text.WordWrap
                            }
                        }
                        SymbolIcon {
                            objectName: "profileStepDone" + (profileStep.index + 1)
                            Layout.alignment: Qt.AlignTop
                            visible: profileStep.modelData.done
                            name: "checkmark"
                            color: MolvenaTheme.green
                            size: 16
                        }
                    }
                }

                RowLayout {
                    Layout.fillWidth: true
                    spacing: 10
                    SymbolIcon {
                        Layout.alignment: Qt.AlignTop
                        name: "info.circle.fill"
                        color: MolvenaTheme.muted
                        size: 14
                    }
                    MolvenaText {
                        Layout.fillWidth: true
                        text: "Hvis macOS siger, at Nedlukningstilstand forhindrer installationen, skal den midlertidigt slås fra under Anonymitet & sikkerhed. Genstart Mac'en, installer profilen, og slå derefter Nedlukningstilstand til igen, hvis du ønsker det."
                        font.pixelSize: 11
                        color: MolvenaTheme.muted
                        wrapMode: Text.WordWrap
                    }
                }
                MolvenaText {
                    objectName: "profileMessage"
                    Layout.fillWidth: true
                    visible: text.length > 0
                    text: sheet.viewModel.message
                    font.pixelSize: 13
                    font.weight: Font.Medium
                    color: MolvenaTheme.ink
                    wrapMode: Text.WordWrap
                }
                Flow {
                    Layout.topMargin: 4
                    Layout.fillWidth: true
                    spacing: 10

                    PrimaryButton {
                        objectName: "profileDownloadButton"
                        visible: sheet.viewModel.step === 0
                        enabled: sheet.viewModel.buttonsEnabled
                        busy: sheet.viewModel.working
                        leadingIcon: sheet.viewModel.working ? "" : "arrow.down.circle.fill"
                        text: sheet.viewModel.working ? "Henter…" : "Hent beskyttelsesprofil"
                        onClicked: sheet.viewModel.download(false)
                    }
                    SecondaryButton {
                        objectName: "profileOpenSettingsButton"
                        visible: sheet.viewModel.step >= 1
                        text: "Åbn Systemindstillinger"
                        onClicked: sheet.viewModel.openProfilesSettings()
                    }
                    PrimaryButton {
                        objectName: "profileConfirmButton"
                        visible: sheet.viewModel.step >= 1
                        enabled: sheet.viewModel.buttonsEnabled
                        busy: sheet.viewModel.working || sheet.viewModel.dns.isChecking
                        text: sheet.viewModel.working ? "Kontrollerer…" : "Jeg har installeret · Kontrollér"
                        onClicked: sheet.viewModel.confirm()
                    }
                    SecondaryButton {
                        objectName: "profileDownloadAgainButton"
                        visible: sheet.viewModel.step >= 1
                        enabled: sheet.viewModel.buttonsEnabled
                        busy: sheet.viewModel.working
                        leadingIcon: sheet.viewModel.working ? "" : "arrow.down.circle"
                        text: sheet.viewModel.working ? "Henter…" : "Hent filen igen"
                        onClicked: sheet.viewModel.download(true)
                    }
                    SecondaryButton {
                        objectName: "profileCloseButton"
                        text: "Luk"
                        onClicked: sheet.closeRequested()
                    }
                }
            }
        }
    }
}
