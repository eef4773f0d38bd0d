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
                    Text {
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
                    Text {
                        Layout.topMargin: 10
                        Layout.fillWidth: true
                        text: root.firstStep
                              ? "Først opretter vi din Molvena-konto og din Master PIN. Derefter tilpasser vi beskyttelsen til dit spillemønster."
                              : "De samme oplysninger som på iPhone bruges til din molvena-tæller, penge sparet og til at gøre beskyttelsen mere relevant."
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

                    Loader {
                        id: stepContent
                        Layout.topMargin: 22
                        Layout.fillWidth: true
                        sourceComponent: root.firstStep ? accountStep : profileStep
                        transform: Translate {
                            id: stepShift
                        }
                        onLoaded: stepEntrance.restart()

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
                        Text {
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

                    Text {
                        Layout.topMargin: 14
                        Layout.fillWidth: true
                        text: root.firstStep
                              ? "Master PIN bruges til ændringer i beskyttelsen — ikke som almindeligt login."
                              : "Du kan ændre oplysningerne senere. Sidste spilledato bruges som startpunkt for din molvena-tæller."
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
            body: root.firstStep
                          ? "Mac-versionen bruger samme backend og samme pårørende-forbindelse, men har sin egen lokale beskyttelse."
                          : "Spiltype, månedligt forbrug og sidste spilledato bruges på samme måde som i iPhone-appen."
            rows: root.firstStep
                       ? ["6-cifret pårørende-kode", "4-cifret Master PIN", "Beskyttelse på denne Mac"]
                       : ["Penge sparet", "Molvena dage", "Samme spillerprofil"]
        }
    }

    Component {
        id: accountStep

        ColumnLayout {
            spacing: 16

            RowLayout {
                Layout.fillWidth: true
                spacing: 14

                MolvenaTextField {
                    objectName: "nameField"
                    Layout.fillWidth: true
                    title: "Navn"
                    placeholder: "Dit navn"
                    text: root.viewModel.name
                    onEdited: value => root.viewModel.name = value
                }
                MolvenaTextField {
                    objectName: "emailField"
                    Layout.fillWidth: true
                    title: "E-mail"
                    placeholder: "navn@eksempel.dk"
                    text: root.viewModel.email
                    onEdited: value => root.viewModel.email = value
                }
            }
            MolvenaTextField {
                objectName: "pinField"
                Layout.fillWidth: true
                title: "4-cifret Master PIN"
                placeholder: "••••"
                secure: true
                text: root.viewModel.pin
                onEdited: value => root.viewModel.pin = value
            }

            Rectangle {
                Layout.fillWidth: true
                implicitHeight: pairingRow.implicitHeight + 32
                radius: 14
                color: MolvenaTheme.blueSoft
                border.color: MolvenaTheme.line
                border.width: 1

                RowLayout {
                    id: pairingRow
                    anchors.fill: parent
                    anchors.margins: 16
                    spacing: 14

                    Rectangle {
                        implicitWidth: 42
                        implicitHeight: 42
                        radius: 21
                        color: MolvenaTheme.card

                        SymbolIcon {
                            anchors.centerIn: parent
                            name: "person.2.fill"
                            color: MolvenaTheme.blue
                            size: 18
                        }
                    }
                    ColumnLayout {
                        Layout.fillWidth: true
                        spacing: 2

                        Text {
                            text: "Pårørende-kode"
                            font.pixelSize: 12
                            font.weight: Font.DemiBold
                            color: MolvenaTheme.muted
                        }
                        TextEdit {
                            objectName: "pairingCode"
                            text: root.viewModel.pairing
                            readOnly: true
                            selectByMouse: true
                            font.pixelSize: 30
                            font.weight: Font.Black
                            font.letterSpacing: 2
                            color: MolvenaTheme.navyDeep
                            Accessible.role: Accessible.StaticText
                            Accessible.name: "Pårørende-kode " + text
                        }
                        Text {
                            text: "6 cifre · del den med din pårørende"
                            font.pixelSize: 12
                            color: MolvenaTheme.muted
                        }
                    }
                }
            }
        }
    }

    Component {
        id: profileStep

        ColumnLayout {
            spacing: 22

            ProfileQuestion {
                Layout.fillWidth: true
                icon: "mappin.and.ellipse"
                question: "Hvor foregår dit spil typisk?"
                hint: "Vælg det, der passer bedst."

                RowLayout {
                    Layout.fillWidth: true
                    spacing: 10

                    Repeater {
                        model: root.viewModel.locationOptions

                        delegate: ChoiceTile {
                            required property var modelData
                            objectName: "location_" + modelData.raw
                            Layout.fillWidth: true
                            text: modelData.label
                            icon: modelData.icon
                            selected: root.viewModel.gamblingLocationType === modelData.raw
                            onClicked: root.viewModel.selectLocation(modelData.raw)
                        }
                    }
                }
            }

            ProfileQuestion {
                Layout.fillWidth: true
                icon: "die.face.5.fill"
                question: "Hvad spiller du mest?"
                hint: "Vælg gerne flere."

                // Columns of at least 138 points, wide enough that no game type is cut off.
                TextMetrics {
                    id: widestGameType
                    font.family: MolvenaTheme.fontFamily
                    font.pixelSize: 14
                    font.weight: Font.DemiBold
                    text: "Casino / spilleautomater"
                }
                GridLayout {
                    id: chips
                    readonly property real columnWidth: Math.max(138, widestGameType.advanceWidth + 56)
                    Layout.fillWidth: true
                    columns: Math.max(1, Math.floor((width + columnSpacing) / (columnWidth + columnSpacing)))
                    columnSpacing: 9
                    rowSpacing: 9

                    Repeater {
                        model: root.viewModel.gameTypes

                        delegate: ChoiceTile {
                            required property string modelData
                            objectName: "game_" + modelData
                            Layout.fillWidth: true
                            Layout.preferredWidth: chips.columnWidth
                            text: modelData
                            compact: true
                            icon: selected ? "checkmark.circle.fill" : "circle"
                            selected: root.viewModel.selectedGameTypes.indexOf(modelData) >= 0
                            onClicked: root.viewModel.toggleGameType(modelData)
                        }
                    }
                }
            }

            ProfileQuestion {
                Layout.fillWidth: true
                icon: "chart.line.uptrend.xyaxis"
                question: "Hvor meget spillede du typisk om måneden?"
                hint: "Det bruger vi til at vise, hvor meget du sparer, når du er molvena."

                MolvenaTextField {
                    objectName: "spendField"
                    Layout.fillWidth: false
                    Layout.preferredWidth: 320
                    prefix: "kr."
                    suffix: "/ md."
                    placeholder: "fx 1.500"
                    inputMethodHints: Qt.ImhDigitsOnly
                    text: root.viewModel.monthlySpendText
                    onEdited: value => root.viewModel.monthlySpendText = value
                    Accessible.name: "Månedligt beløb i kroner"
                }
            }

            ProfileQuestion {
                Layout.fillWidth: true
                icon: "calendar.badge.clock"
                question: "Hvornår spillede du sidst?"
                hint: "Datoen er startpunktet for din molvena-tæller."

                RowLayout {
                    spacing: 10

                    ChoiceTile {
                        objectName: "chooseToday"
                        text: "I dag"
                        icon: "sun.max.fill"
                        compact: true
                        selected: root.viewModel.isLastDateToday
                        onClicked: root.viewModel.chooseToday()
                    }
                    ChoiceTile {
                        objectName: "chooseDate"
                        text: root.viewModel.dateButtonText
                        icon: "calendar"
                        compact: true
                        selected: !root.viewModel.isLastDateToday
                        onClicked: root.viewModel.toggleDatePicker()
                    }
                }

                DanishCalendar {
                    id: calendar
                    objectName: "calendar"
                    visible: root.viewModel.showDatePicker
                    transform: Translate {
                        id: calendarShift
                    }
                    onVisibleChanged: if (visible) calendarEntrance.restart()

                    ParallelAnimation {
                        id: calendarEntrance
                        NumberAnimation {
                            target: calendar
                            property: "opacity"
                            from: 0
                            to: 1
                            duration: 180
                            easing.type: Easing.InOutQuad
                        }
                        NumberAnimation {
                            target: calendarShift
                            property: "y"
                            from: -10
                            to: 0
                            duration: 180
                            easing.type: Easing.InOutQuad
                        }
                    }
                    selectedDate: root.viewModel.lastDate
                    maximumDate: root.viewModel.today
                    onPicked: date => root.viewModel.pickDate(date)
                }
            }
        }
    }
}
