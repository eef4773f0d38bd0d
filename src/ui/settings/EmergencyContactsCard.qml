pragma ComponentBehavior: Bound
import QtQuick
import Molvena
import QtQuick.Layouts

// The emergency contacts: the list, and the form that adds one.
Card {
    id: contactsCard

    required property SupportSettingsViewModel viewModel

    Layout.fillWidth: true
    ColumnLayout {
        anchors.fill: parent
        spacing: 12
        RowLayout {
            Layout.fillWidth: true
            spacing: 12
            ColumnLayout {
                Layout.fillWidth: true
                spacing: 2
                MolvenaText {
                    text: "Nødkontakter"
                    font.family: MolvenaTheme.fontFamily
                    font.pixelSize: 16
                    font.weight: Font.Bold
                    color: MolvenaTheme.navyDeep
                    Accessible.role: Accessible.Heading
                    Accessible.name: text
                }
                MolvenaText {
                    Layout.fillWidth: true
                    text: "Personer du hurtigt kan kontakte. De behøver ikke have Molvena."
                    font.family: MolvenaTheme.fontFamily
                    font.pixelSize: 12
                    color: MolvenaTheme.muted
                    wrapMode: Text.WordWrap
                }
            }
            SecondaryButton {
                objectName: "toggleAddContact"
                text: contactsCard.viewModel.adding ? "Annuller" : "Tilføj kontakt"
                leadingIcon: contactsCard.viewModel.adding ? "xmark" : "person.badge.plus"
                onClicked: contactsCard.viewModel.toggleAdding()
            }
        }

        // The add form.
        Rectangle {
            id: form
            Layout.fillWidth: true
            visible: contactsCard.viewModel.adding
            implicitHeight: formColumn.implicitHeight + 28
            radius: 14
            color: MolvenaTheme.canvas
            border.width: 1
            border.color: MolvenaTheme.line
            ColumnLayout {
                id: formColumn
                anchors.fill: parent
                anchors.margins: 14
                spacing: 12
                RowLayout {
                    Layout.fillWidth: true
                    spacing: 12
                    MolvenaTextField {
                        objectName: "contactNameField"
                        title: "Navn"
                        placeholder: "Fx Mette"
                        text: contactsCard.viewModel.newName
                        onEdited: value => contactsCard.viewModel.newName = value
                    }
                    MolvenaTextField {
                        objectName: "contactPhoneField"
                        title: "Telefonnummer"
                        placeholder: "+45 12 34 56 78"
                        inputMethodHints: Qt.ImhDialableCharactersOnly
                        text: contactsCard.viewModel.newPhone
                        onEdited: value => contactsCard.viewModel.newPhone = value
                        onAccepted: contactsCard.viewModel.saveContact()
                    }
                }
                // The store's answer, where the player is looking.
                StoreMessage {
                    store: contactsCard.viewModel.account
                }
                PrimaryButton {
                    objectName: "saveContactButton"
                    text: contactsCard.viewModel.account.isSaving ? "Gemmer…" : "Gem kontakt"
                    busy: contactsCard.viewModel.account.isSaving
                    enabled: contactsCard.viewModel.canSaveContact
                    onClicked: contactsCard.viewModel.saveContact()
                }
            }
        }

        EmptySettingsRow {
            objectName: "noContacts"
            visible: contactsCard.viewModel.account.emergencyContacts.length === 0
            icon: "phone"
            title: "Ingen nødkontakter endnu"
            detail: "Tilføj en person, du kan kontakte i en svær situation."
        }
        Repeater {
            model: contactsCard.viewModel.account.emergencyContacts
            delegate: Rectangle {
                id: contactRow
                required property var modelData
                required property int index
                Layout.fillWidth: true
                implicitHeight: 58
                radius: 14
                color: MolvenaTheme.card
                border.width: 1
                border.color: MolvenaTheme.withOpacity(MolvenaTheme.line, 0.9)
                Accessible.role: Accessible.ListItem
                Accessible.name: contactRow.modelData.name + ", " + contactRow.modelData.phone

                RowLayout {
                    anchors.fill: parent
                    anchors.leftMargin: 14
                    anchors.rightMargin: 10
                    spacing: 12
                    // The contact's initial, so a list of names reads at a glance.
                    Rectangle {
                        implicitWidth: 34
                        implicitHeight: 34
                        radius: 17
                        color: MolvenaTheme.blueSoft
                        MolvenaText {
                            anchors.centerIn: parent
                            text: String(contactRow.modelData.name).trim().charAt(0).toUpperCase()
                            font.family: MolvenaTheme.fontFamily
                            font.pixelSize: 14
                            font.weight: Font.Bold
                            color: MolvenaTheme.blue
                            Accessible.ignored: true
                        }
                    }
                    ColumnLayout {
                        Layout.fillWidth: true
                        spacing: 1
                        MolvenaText {
                            objectName: "contactName" + contactRow.index
                            Layout.fillWidth: true
                            text: contactRow.modelData.name
                            font.family: MolvenaTheme.fontFamily
                            font.pixelSize: 13
                            font.weight: Font.DemiBold
                            color: MolvenaTheme.navyDeep
                            elide: Text.ElideRight
                        }
                        TextEdit {
                            objectName: "contactPhone" + contactRow.index
                            Layout.fillWidth: true
                            text: contactRow.modelData.phone
                            readOnly: true
                            selectByMouse: true
                            font.family: MolvenaTheme.fontFamily
                            font.pixelSize: 12
                            color: MolvenaTheme.muted
                            Accessible.role: Accessible.StaticText
                            Accessible.name: "Telefonnummer " + text
                        }
                    }
                    MolvenaButton {
                        id: deleteButton
                        objectName: "removeContact" + contactRow.index
                        implicitWidth: 34
                        implicitHeight: 34
                        Accessible.name: "Fjern " + contactRow.modelData.name
                        onClicked: contactsCard.viewModel.askToRemove(contactRow.modelData.raw)
                        background: Rectangle {
                            radius: 10
                            color: deleteButton.hovered || deleteButton.visualFocus ? MolvenaTheme.redSoft : "transparent"
                        }
                        contentItem: Item {
                            SymbolIcon {
                                anchors.centerIn: parent
                                name: "trash"
                                color: MolvenaTheme.red
                                size: 14
                            }
                        }
                    }
                }
            }
        }
    }
}
