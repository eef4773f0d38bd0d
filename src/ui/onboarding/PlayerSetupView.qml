import QtQuick
import Molvena
import QtQuick.Layouts
import QtQuick.Controls.Basic

// The player's onboarding in two steps: the account, then the gambling pattern.
Item {
    id: root

    required property PlayerSetupViewModel viewModel
    readonly property bool firstStep: viewModel.step === 1

    RowLayout {
        anchors.fill: parent
        spacing: 0

        ScrollView {
            id: scroller
            Layout.fillHeight: true
            Layout.preferredWidth: Math.max(root.width * 0.66, 650)
            contentWidth: availableWidth
            clip: true

            ColumnLayout {
                id: column
                width: scroller.availableWidth
                spacing: 0

                ColumnLayout {
                    Layout.fillWidth: true
                    Layout.leftMargin: 54
                    Layout.rightMargin: 54
                    Layout.topMargin: 40
                    Layout.bottomMargin: 36
                    spacing: 0

                    SecondaryButton {
                        objectName: "setupBack"
                        text: root.firstStep ? "Tilbage" : "Forrige"
                        leadingIcon: "chevron.left"
                        onClicked: root.viewModel.back()
                    }

                    MolvenaEyebrow {
                        Layout.topMargin: 26
                        text: root.firstStep ? "SPILLER · 1 AF 2" : "SPILLER · 2 AF 2"
                    }
                    MolvenaText {
                        objectName: "setupTitle"
                        Layout.topMargin: 10
                        Layout.fillWidth: true
                        text: root.firstStep ? "Opret din beskyttelse" : "Fortæl lidt om dig"
                        font.pixelSize: 34
                        font.weight: Font.Black
                        color: MolvenaTheme.navyDeep
                        wrapMode: Text.WordWrap
                        Accessible.role: Accessible.Heading
                        Accessible.name: text
                    }
                    MolvenaText {
                        Layout.topMargin: 10
                        Layout.fillWidth: true
                        text: root.firstStep ? "Først opretter vi din Molvena-konto og din Master PIN. Derefter tilpasser vi beskyttelsen til dit spillemønster." : "De samme oplysninger som på iPhone bruges til din molvena-tæller, penge sparet og til at gøre beskyttelsen mere relevant."
                        font.pixelSize: 15
                        lineHeight: 1.3
                        color: MolvenaTheme.muted
                        wrapMode: Text.WordWrap
                    }

                    ExistingAccountPrompt {
                        Layout.topMargin: 20
                        Layout.fillWidth: true
                        roleLabel: "spiller"
                        tint: MolvenaTheme.blue
                        onAction: root.viewModel.recoverAccount()
                    }

                    // Both steps keep their place; what was typed lives in the view model.
                    Item {
                        id: stepContent
                        Layout.topMargin: 22
                        Layout.fillWidth: true
                        implicitHeight: root.firstStep ? accountForm.implicitHeight : profileForm.implicitHeight
                        transform: Translate {
                            id: stepShift
                        }

                        AccountStepForm {
                            id: accountForm
                            width: parent.width
                            visible: root.firstStep
                            viewModel: root.viewModel
                        }
                        ProfileStepForm {
                            id: profileForm
                            width: parent.width
                            visible: !root.firstStep
                            viewModel: root.viewModel
                        }
                        Connections {
                            target: root.viewModel
                            function onStepChanged() {
                                stepEntrance.restart();
                            }
                        }

                        ParallelAnimation {
                            id: stepEntrance
                            NumberAnimation {
                                target: stepContent
                                property: "opacity"
                                from: 0
                                to: 1
                                duration: 200
                                easing.type: Easing.InOutQuad
                            }
                            NumberAnimation {
                                target: stepShift
                                property: "x"
                                from: root.firstStep ? -18 : 18
                                to: 0
                                duration: 200
                                easing.type: Easing.InOutQuad
                            }
                        }
                    }

                    RowLayout {
                        id: errorRow
                        objectName: "setupError"
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
                            objectName: "setupErrorText"
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

                    RowLayout {
                        id: actions
                        Layout.topMargin: 22
                        Layout.fillWidth: true
                        spacing: 12

                        SecondaryButton {
                            objectName: "setupPrevious"
                            visible: !root.firstStep
                            text: "Tilbage"
                            onClicked: root.viewModel.previousStep()
                        }
                        PrimaryButton {
                            objectName: "setupPrimary"
                            Layout.fillWidth: true
                            fullWidth: true
                            text: root.viewModel.primaryLabel
                            busy: root.viewModel.busy
                            trailingIcon: root.viewModel.busy ? "" : "arrow.right"
                            enabled: root.viewModel.canContinue
                            onClicked: root.viewModel.primaryAction()
                        }
                    }

                    MolvenaText {
                        Layout.topMargin: 14
                        Layout.fillWidth: true
                        text: root.firstStep ? "Master PIN bruges til ændringer i beskyttelsen — ikke som almindeligt login." : "Du kan ændre oplysningerne senere. Sidste spilledato bruges som startpunkt for din molvena-tæller."
                        font.pixelSize: 12
                        color: MolvenaTheme.muted
                        wrapMode: Text.WordWrap
                    }
                }
            }
        }

        MacHeroPanel {
            Layout.fillWidth: true
            Layout.fillHeight: true
            accentRed: false
            domains: root.viewModel.domains
            role: root.firstStep ? "DIN KONTO" : "PERSONLIGT OVERBLIK"
            headIcon: root.firstStep ? "person.badge.shield.checkmark" : "chart.bar.doc.horizontal"
            title: root.firstStep ? "Samme Molvena.\nNy enhed." : "Din fremgang\nfølger med."
            body: root.firstStep ? DeviceWords.platform + "-versionen bruger samme backend og samme pårørende-forbindelse, men har sin egen lokale beskyttelse." : "Spiltype, månedligt forbrug og sidste spilledato bruges på samme måde som i iPhone-appen."
            rows: root.firstStep ? ["6-cifret pårørende-kode", "4-cifret Master PIN", "Beskyttelse på denne " + DeviceWords.noun] : ["Penge sparet", "Molvena dage", "Samme spillerprofil"]
        }
    }

    // A failed submit shows its error beside the button, even below the fold.
    KeepInView {
        id: keeper
        flickable: scroller.contentItem as Flickable
    }
    Connections {
        target: root.viewModel
        function onErrorChanged() {
            if (root.viewModel.error !== "")
                keeper.revealLater([actions, errorRow]);
        }
    }
}
