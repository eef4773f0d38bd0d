pragma ComponentBehavior: Bound
import QtQuick
import Molvena
import QtQuick.Layouts

// "Støttenetværk": the code to share, who has paired with it, and the emergency contacts.
SettingsPage {
    id: root

    required property SupportSettingsViewModel viewModel

    title: "Støttenetværk"
    subtitle: "Administrér de personer, du kan række ud til, og de støttepersoner der er forbundet til din Molvena-konto."

    PairingCodeCard {
        viewModel: root.viewModel
    }

    ConnectedRelativesCard {
        viewModel: root.viewModel
    }

    EmergencyContactsCard {
        viewModel: root.viewModel
    }

    StoreMessage {
        store: root.viewModel.account
    }

    // The removal sheet over the whole window, while a contact waits for the PIN.
    ModalScope {
        id: removalSheet
        parent: root.Window.contentItem
        anchors.fill: parent
        visible: root.viewModel.isConfirmingRemoval
        z: 100
        onCloseRequested: root.viewModel.cancelRemoval()

        Rectangle {
            anchors.fill: parent
            color: MolvenaTheme.withOpacity(MolvenaTheme.navyDeep, 0.38)
            MouseArea {
                anchors.fill: parent
            }
        }
        Card {
            anchors.centerIn: parent
            width: 420
            padding: 26
            Accessible.role: Accessible.Dialog
            Accessible.name: removalTitle.text
            ColumnLayout {
                anchors.fill: parent
                spacing: 12
                MolvenaText {
                    id: removalTitle
                    objectName: "removalTitle"
                    Layout.fillWidth: true
                    text: root.viewModel.removalTitle
                    font.family: MolvenaTheme.fontFamily
                    font.pixelSize: 20
                    font.weight: Font.Black
                    color: MolvenaTheme.navyDeep
                    wrapMode: Text.WordWrap
                    Accessible.role: Accessible.Heading
                    Accessible.name: text
                }
                MolvenaText {
                    Layout.fillWidth: true
                    text: "Bekræft med din Master PIN."
                    font.family: MolvenaTheme.fontFamily
                    font.pixelSize: 13
                    color: MolvenaTheme.muted
                }
                MolvenaTextField {
                    objectName: "removalPINField"
                    title: "Master PIN"
                    placeholder: "4 cifre"
                    secure: true
                    inputMethodHints: Qt.ImhDigitsOnly
                    text: root.viewModel.deletePIN
                    onEdited: value => root.viewModel.deletePIN = value
                    onAccepted: root.viewModel.confirmRemoval()
                }
                // The store's answer, here where the player is looking.
                StoreMessage {
                    store: root.viewModel.account
                }
                RowLayout {
                    Layout.fillWidth: true
                    Layout.topMargin: 4
                    spacing: 10
                    Item {
                        Layout.fillWidth: true
                    }
                    SecondaryButton {
                        objectName: "cancelRemovalButton"
                        text: "Annuller"
                        onClicked: root.viewModel.cancelRemoval()
                    }
                    PrimaryButton {
                        objectName: "confirmRemovalButton"
                        tint: MolvenaTheme.red
                        text: root.viewModel.deleting ? "Fjerner…" : "Fjern kontakt"
                        busy: root.viewModel.deleting
                        enabled: root.viewModel.canRemoveContact
                        onClicked: root.viewModel.confirmRemoval()
                    }
                }
            }
        }
    }
}
