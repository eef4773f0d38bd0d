import QtQuick
import Molvena
import QtQuick.Layouts
import QtQuick.Controls.Basic
import QtQuick.Shapes

// An existing account brought onto this Mac: the e-mail, then the one-time code sent to it.
Item {
    id: root

    required property AccountRecoveryViewModel viewModel
    readonly property bool firstStep: viewModel.step === 1
    readonly property color accent: viewModel.relativeSelected ? MolvenaTheme.red : MolvenaTheme.blue

    component RoleButton: MolvenaButton {
        id: roleButton
        property bool selected: false
        property color accent: MolvenaTheme.blue
        Layout.fillWidth: true
        implicitHeight: 44
        Accessible.role: Accessible.RadioButton
        Accessible.checked: selected
        contentItem: Text {
            text: roleButton.text
            horizontalAlignment: Text.AlignHCenter
            verticalAlignment: Text.AlignVCenter
            font.family: MolvenaTheme.fontFamily
            font.pixelSize: 14
            font.weight: Font.DemiBold
            color: roleButton.selected ? "white" : MolvenaTheme.navyDeep
        }
        background: Rectangle {
            radius: 12
            color: roleButton.selected ? roleButton.accent : "white"
            opacity: roleButton.pressed ? 0.82 : 1
            border.width: 1
            border.color: roleButton.selected ? roleButton.accent : MolvenaTheme.line
        }
    }

    RowLayout {
        anchors.fill: parent
        spacing: 0

        ScrollView {
            id: scroller
            Layout.fillHeight: true
            Layout.preferredWidth: Math.max(root.width * 0.62, 620)
            contentWidth: availableWidth
            clip: true

            ColumnLayout {
                width: scroller.availableWidth
                spacing: 0

                ColumnLayout {
                    Layout.fillWidth: true
                    Layout.margins: 50
                    spacing: 0

                    SecondaryButton {
                        objectName: "recoveryBack"
                        text: "Tilbage"
                        leadingIcon: "chevron.left"
                        onClicked: root.viewModel.back()
                    }
                    MolvenaEyebrow {
                        Layout.topMargin: 26
                        text: "EKSISTERENDE KONTO"
                    }
                    MolvenaText {
                        Layout.topMargin: 10
                        Layout.fillWidth: true
                        text: "Kom sikkert tilbage."
                        font.pixelSize: 34
                        font.weight: Font.Black
                        color: MolvenaTheme.navyDeep
                        wrapMode: Text.WordWrap
                        Accessible.role: Accessible.Heading
                        Accessible.name: text
                    }
                    MolvenaText {
                        objectName: "recoveryLead"
                        Layout.topMargin: 10
                        Layout.fillWidth: true
                        text: root.firstStep ? "Vi sender en 6-cifret engangskode til e-mailadressen på din Molvena-konto." : "Indtast den 6-cifrede kode fra din e-mail. Koden udløber automatisk."
                        font.pixelSize: 15
                        lineHeight: 1.3
                        color: MolvenaTheme.muted
                        wrapMode: Text.WordWrap
                    }

                    // Step 1: the role and the address.
                    ColumnLayout {
                        visible: root.firstStep
                        Layout.topMargin: 24
                        Layout.fillWidth: true
                        spacing: 16

                        RowLayout {
                            Layout.fillWidth: true
                            spacing: 12
                            RoleButton {
                                objectName: "recoveryRolePlayer"
                                text: "Spiller"
                                accent: root.accent
                                selected: !root.viewModel.relativeSelected
                                onClicked: root.viewModel.choosePlayer()
                            }
                            RoleButton {
                                objectName: "recoveryRoleRelative"
                                text: "Pårørende"
                                accent: root.accent
                                selected: root.viewModel.relativeSelected
                                onClicked: root.viewModel.chooseRelative()
                            }
                        }
                        MolvenaTextField {
                            objectName: "recoveryEmailField"
                            Layout.fillWidth: true
                            title: "E-mail"
                            placeholder: "navn@eksempel.dk"
                            inputMethodHints: Qt.ImhEmailCharactersOnly
                            text: root.viewModel.email
                            onEdited: value => root.viewModel.email = value
                            onAccepted: root.viewModel.sendCode()
                        }
                        PrimaryButton {
                            objectName: "recoverySend"
                            Layout.fillWidth: true
                            fullWidth: true
                            tint: root.accent
                            text: root.viewModel.busy ? "Sender…" : "Send engangskode"
                            busy: root.viewModel.busy
                            enabled: root.viewModel.canSend
                            onClicked: root.viewModel.sendCode()
                        }
                    }

                    // Step 2: the code from the e-mail.
                    ColumnLayout {
                        visible: !root.firstStep
                        Layout.topMargin: 24
                        Layout.fillWidth: true
                        spacing: 16

                        MolvenaTextField {
                            objectName: "recoveryCodeField"
                            Layout.fillWidth: true
                            title: "6-cifret kode"
                            placeholder: "000 000"
                            inputMethodHints: Qt.ImhDigitsOnly
                            text: root.viewModel.code
                            onEdited: value => root.viewModel.code = value
                            onAccepted: root.viewModel.verifyCode()
                        }
                        PrimaryButton {
                            objectName: "recoveryVerify"
                            Layout.fillWidth: true
                            fullWidth: true
                            tint: root.accent
                            text: root.viewModel.busy ? "Kontrollerer…" : "Gendan konto"
                            busy: root.viewModel.busy
                            enabled: root.viewModel.canVerify
                            onClicked: root.viewModel.verifyCode()
                        }
                        LinkButton {
                            objectName: "recoveryNewCode"
                            Layout.alignment: Qt.AlignHCenter
                            text: "Send en ny kode"
                            tint: root.accent
                            enabled: !root.viewModel.busy
                            onClicked: root.viewModel.requestNewCode()
                        }
                    }

                    RowLayout {
                        objectName: "recoveryError"
                        visible: root.viewModel.errorMessage !== ""
                        Layout.topMargin: 14
                        Layout.fillWidth: true
                        spacing: 8

                        SymbolIcon {
                            name: "exclamationmark.triangle.fill"
                            color: MolvenaTheme.red
                            size: 13
                        }
                        MolvenaText {
                            objectName: "recoveryErrorText"
                            Layout.fillWidth: true
                            text: root.viewModel.errorMessage
                            font.pixelSize: 12
                            font.weight: Font.DemiBold
                            color: MolvenaTheme.red
                            wrapMode: Text.WordWrap
                            Accessible.role: Accessible.AlertMessage
                            Accessible.name: text
                        }
                    }

                    RowLayout {
                        Layout.topMargin: 18
                        Layout.fillWidth: true
                        spacing: 8

                        SymbolIcon {
                            Layout.alignment: Qt.AlignTop
                            name: "lock.shield.fill"
                            color: MolvenaTheme.muted
                            size: 13
                        }
                        MolvenaText {
                            Layout.fillWidth: true
                            text: "Vi afslører ikke, om en e-mail findes. Gentagne forsøg begrænses på serveren."
                            font.pixelSize: 12
                            color: MolvenaTheme.muted
                            wrapMode: Text.WordWrap
                        }
                    }
                }
            }
        }

        Rectangle {
            id: panel
            objectName: "recoveryPanel"
            Layout.fillWidth: true
            Layout.fillHeight: true
            clip: true
            color: root.accent

            Shape {
                anchors.fill: parent
                ShapePath {
                    strokeColor: "transparent"
                    fillGradient: LinearGradient {
                        x1: 0
                        y1: 0
                        x2: panel.width
                        y2: panel.height
                        GradientStop {
                            position: 0
                            color: root.viewModel.relativeSelected ? Qt.rgba(0.43, 0.02, 0.08, 1) : MolvenaTheme.navyDeep
                        }
                        GradientStop { position: 1; color: root.accent }
                    }
                    startX: 0
                    startY: 0
                    PathLine { x: panel.width; y: 0 }
                    PathLine { x: panel.width; y: panel.height }
                    PathLine { x: 0; y: panel.height }
                    PathLine { x: 0; y: 0 }
                }
            }

            ColumnLayout {
                anchors.left: parent.left
                anchors.right: parent.right
                anchors.verticalCenter: parent.verticalCenter
                anchors.margins: 42
                spacing: 0

                Rectangle {
                    Layout.preferredWidth: 96
                    Layout.preferredHeight: 96
                    radius: 24
                    color: Qt.rgba(1, 1, 1, 0.1)
                    SymbolIcon {
                        anchors.centerIn: parent
                        name: "envelope.badge.shield.half.filled"
                        color: "white"
                        size: 44
                    }
                }
                MolvenaText {
                    Layout.topMargin: 28
                    Layout.fillWidth: true
                    text: "Sikker kontogendannelse"
                    font.pixelSize: 30
                    font.weight: Font.Black
                    color: "white"
                    wrapMode: Text.WordWrap
                }
                MolvenaText {
                    Layout.topMargin: 14
                    Layout.fillWidth: true
                    text: "E-mail + tidsbegrænset engangskode\nIngen login med parringskoden alene"
                    font.pixelSize: 14
                    lineHeight: 1.3
                    color: "white"
                    wrapMode: Text.WordWrap
                }
            }
        }
    }

    KeepInView {
        flickable: scroller.contentItem as Flickable
    }
}
