pragma ComponentBehavior: Bound
import QtQuick
import Molvena
import QtQuick.Layouts

// The web-protection sheet over its screen. A Mac downloads the profile in the browser, installs it by
// hand and confirms that it blocks; Linux installs it with an administrator's approval and can remove
// it again. The words come from the view model, the Mac's and Linux's side by side.
ModalScope {
    id: sheet

    required property MacDNSProfileSetupViewModel viewModel
    readonly property bool isActive: sheet.viewModel !== null && sheet.viewModel.dns.isActive
    readonly property bool onLinux: sheet.viewModel.installsSystemResolver
    readonly property var texts: sheet.viewModel.texts

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
                text: sheet.isActive ? "Beskyttelsen er aktiv" : sheet.texts.title
                font.pixelSize: 24
                font.weight: Font.Black
                color: MolvenaTheme.navyDeep
                Accessible.role: Accessible.Heading
                Accessible.name: text
            }
            MolvenaText {
                Layout.topMargin: 6
                Layout.fillWidth: true
                text: sheet.texts.intro
                font.pixelSize: 13
                color: MolvenaTheme.muted
                wrapMode: Text.WordWrap
                Accessible.role: Accessible.StaticText
                Accessible.name: text
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
                            text: sheet.texts.confirmedText
                            font.pixelSize: 13
                            color: MolvenaTheme.muted
                            wrapMode: Text.WordWrap
                        }
                    }
                }
            }
            Text {
                objectName: "profileActiveMessage"
                Layout.topMargin: 12
                Layout.fillWidth: true
                visible: sheet.isActive && text.length > 0
                text: sheet.viewModel.message
                font.pixelSize: 13
                font.weight: Font.Medium
                color: MolvenaTheme.ink
                wrapMode: Text.WordWrap
                Accessible.role: Accessible.StaticText
                Accessible.name: text
            }
            RowLayout {
                Layout.topMargin: 18
                Layout.alignment: Qt.AlignRight
                visible: sheet.isActive
                spacing: 10
                SecondaryButton {
                    objectName: "protectionRemoveButton"
                    visible: sheet.onLinux
                    enabled: sheet.viewModel.buttonsEnabled
                    busy: sheet.viewModel.removing
                    text: sheet.viewModel.removing ? sheet.texts.removeBusyLabel : sheet.texts.removeLabel
                    onClicked: sheet.viewModel.remove()
                }
                PrimaryButton {
                    objectName: "profileDoneButton"
                    text: "Færdig"
                    onClicked: sheet.closeRequested()
                }
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
                            "title": sheet.texts.step1Title,
                            "text": sheet.texts.step1Text,
                            "done": sheet.viewModel.step >= 1
                        },
                        {
                            "number": "02",
                            "title": sheet.texts.step2Title,
                            "text": sheet.texts.step2Text,
                            "done": sheet.viewModel.step >= 2
                        },
                        {
                            "number": "03",
                            "title": sheet.texts.step3Title,
                            "text": sheet.texts.step3Text,
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
                        text: sheet.texts.hint
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
                        leadingIcon: sheet.viewModel.working ? "" : sheet.onLinux ? "lock.shield.fill" : "arrow.down.circle.fill"
                        text: sheet.viewModel.working ? sheet.texts.startBusyLabel : sheet.texts.startLabel
                        onClicked: sheet.viewModel.download(false)
                    }
                    SecondaryButton {
                        objectName: "profileOpenSettingsButton"
                        visible: sheet.viewModel.step >= 1 && !sheet.onLinux
                        text: "Åbn Systemindstillinger"
                        onClicked: sheet.viewModel.openProfilesSettings()
                    }
                    PrimaryButton {
                        objectName: "profileConfirmButton"
                        visible: sheet.viewModel.step >= 1
                        enabled: sheet.viewModel.buttonsEnabled
                        busy: sheet.viewModel.working || sheet.viewModel.dns.isChecking
                        text: sheet.viewModel.working ? "Kontrollerer…" : sheet.texts.confirmLabel
                        onClicked: sheet.viewModel.confirm()
                    }
                    SecondaryButton {
                        objectName: "profileDownloadAgainButton"
                        visible: sheet.viewModel.step >= 1 && !sheet.onLinux
                        enabled: sheet.viewModel.buttonsEnabled
                        busy: sheet.viewModel.working
                        leadingIcon: sheet.viewModel.working ? "" : "arrow.down.circle"
                        text: sheet.viewModel.working ? "Henter…" : "Hent filen igen"
                        onClicked: sheet.viewModel.download(true)
                    }
                    SecondaryButton {
                        objectName: "protectionRemoveButtonInactive"
                        visible: sheet.viewModel.step >= 2 && sheet.onLinux
                        enabled: sheet.viewModel.buttonsEnabled
                        busy: sheet.viewModel.removing
                        text: sheet.viewModel.removing ? sheet.texts.removeBusyLabel : sheet.texts.removeLabel
                        onClicked: sheet.viewModel.remove()
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
