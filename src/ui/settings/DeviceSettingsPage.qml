import QtQuick
import QtQuick.Layouts
import Molvena

// "Denne Mac": log out here only, or remove this Mac from the account with the Master PIN.
Item {
    id: root

    required property DeviceSettingsViewModel viewModel

    SettingsPage {
        anchors.fill: parent
        title: "Denne " + DeviceWords.noun
        subtitle: "Administrér denne installation uden at ændre din iPhone eller resten af din Molvena-konto."

        Card {
            Layout.fillWidth: true

            ColumnLayout {
                anchors.fill: parent
                spacing: 16

                RowLayout {
                    spacing: 14
                    Rectangle {
                        implicitWidth: 48
                        implicitHeight: 48
                        radius: 12
                        color: MolvenaTheme.blueSoft
                        SymbolIcon {
                            anchors.centerIn: parent
                            name: "desktopcomputer"
                            color: MolvenaTheme.blue
                            size: 20
                        }
                    }
                    ColumnLayout {
                        spacing: 2
                        MolvenaText {
                            objectName: "computerName"
                            text: root.viewModel.computerName
                            font.pixelSize: 15
                            font.weight: Font.Bold
                            color: MolvenaTheme.navyDeep
                            Accessible.role: Accessible.StaticText
                            Accessible.name: text
                        }
                        MolvenaText {
                            text: "Tilknyttet din Molvena-konto"
                            font.pixelSize: 12
                            color: MolvenaTheme.muted
                        }
                    }
                }
                Rectangle {
                    Layout.fillWidth: true
                    implicitHeight: 1
                    color: MolvenaTheme.line
                }
                SecondaryButton {
                    objectName: "localLogOutButton"
                    text: "Log ud af Molvena på denne " + DeviceWords.noun
                    leadingIcon: "rectangle.portrait.and.arrow.right"
                    onClicked: root.viewModel.logOut()
                }
                MolvenaText {
                    Layout.fillWidth: true
                    text: "Log ud fjerner kun din lokale session. Den installerede webbeskyttelse ændres ikke automatisk."
                    font.pixelSize: 12
                    color: MolvenaTheme.muted
                    wrapMode: Text.WordWrap
                }
            }
        }

        Card {
            Layout.fillWidth: true
            borderColor: MolvenaTheme.withOpacity(MolvenaTheme.red, 0.22)

            ColumnLayout {
                anchors.fill: parent
                spacing: 10

                MolvenaText {
                    text: "Fjern denne " + DeviceWords.noun + " fra min konto"
                    font.pixelSize: 15
                    font.weight: Font.Bold
                    color: MolvenaTheme.navyDeep
                    Accessible.role: Accessible.Heading
                    Accessible.name: text
                }
                MolvenaText {
                    Layout.fillWidth: true
                    text: "Dette fjerner kun " + DeviceWords.platform + "-enheden fra din Molvena-konto. Din iPhone, dine støttepersoner og dine øvrige kontodata bliver ikke slettet."
                    font.pixelSize: 12
                    color: MolvenaTheme.muted
                    wrapMode: Text.WordWrap
                }
                PrimaryButton {
                    objectName: "openRemoveButton"
                    Layout.topMargin: 4
                    text: "Fjern denne " + DeviceWords.noun + "…"
                    tint: MolvenaTheme.red
                    leadingIcon: "trash"
                    onClicked: root.viewModel.openRemove()
                }
            }
        }

        StoreMessage {
            Layout.fillWidth: true
            // While the sheet is open it shows the outcome itself.
            opacity: root.viewModel.showRemove ? 0 : 1
            store: root.viewModel.account
        }
    }

    // The removal sheet over the whole window, as the profile sheet is; nothing behind takes clicks.
    ModalScope {
        parent: root.Window.window ? root.Window.window.contentItem : root
        anchors.fill: parent
        visible: root.viewModel.showRemove
        onCloseRequested: root.viewModel.cancelRemove()

        Rectangle {
            anchors.fill: parent
            color: MolvenaTheme.withOpacity(MolvenaTheme.navyDeep, 0.38)
            MouseArea {
                anchors.fill: parent
            }
        }
        Card {
            anchors.centerIn: parent
            width: Math.min(parent.width - 80, 440)
            padding: 28

            ColumnLayout {
                anchors.fill: parent
                spacing: 12

                MolvenaText {
                    objectName: "removeSheetTitle"
                    text: "Fjern denne " + DeviceWords.noun + "?"
                    font.pixelSize: 22
                    font.weight: Font.Black
                    color: MolvenaTheme.navyDeep
                    Accessible.role: Accessible.Heading
                    Accessible.name: text
                }
                MolvenaText {
                    Layout.fillWidth: true
                    text: "Bekræft med din Master PIN. Din konto og din iPhone bliver ikke slettet."
                    font.pixelSize: 13
                    color: MolvenaTheme.muted
                    wrapMode: Text.WordWrap
                }
                MolvenaTextField {
                    objectName: "removePINField"
                    title: "Master PIN"
                    placeholder: "4 cifre"
                    secure: true
                    text: root.viewModel.removePIN
                    onEdited: value => root.viewModel.removePIN = value
                    onAccepted: root.viewModel.remove()
                }
                StoreMessage {
                    Layout.fillWidth: true
                    store: root.viewModel.account
                }
                RowLayout {
                    Layout.topMargin: 6
                    Layout.alignment: Qt.AlignRight
                    spacing: 10
                    SecondaryButton {
                        objectName: "cancelRemoveButton"
                        text: "Annuller"
                        onClicked: root.viewModel.cancelRemove()
                    }
                    PrimaryButton {
                        objectName: "confirmRemoveButton"
                        text: root.viewModel.removeButtonText
                        tint: MolvenaTheme.red
                        busy: root.viewModel.removing
                        enabled: root.viewModel.canRemove
                        onClicked: root.viewModel.remove()
                    }
                }
            }
        }
    }
}
