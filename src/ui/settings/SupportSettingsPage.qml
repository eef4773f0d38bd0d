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

    // The pairing code.
    Card {
        Layout.fillWidth: true
        RowLayout {
            anchors.fill: parent
            spacing: 16
            ColumnLayout {
                Layout.fillWidth: true
                spacing: 6
                MolvenaEyebrow {
                    text: "FORBIND EN STØTTEPERSON"
                }
                MolvenaText {
                    text: "Din parringskode"
                    font.family: MolvenaTheme.fontFamily
                    font.pixelSize: 13
                    font.weight: Font.DemiBold
                    color: MolvenaTheme.muted
                }
                TextEdit {
                    objectName: "supportPairingCode"
                    text: root.viewModel.pairingCodeDisplay
                    readOnly: true
                    selectByMouse: true
                    font.family: "monospace"
                    font.pixelSize: 34
                    font.weight: Font.Bold
                    font.letterSpacing: 2
                    color: MolvenaTheme.navyDeep
                    Accessible.role: Accessible.StaticText
                    Accessible.name: "Parringskode " + text
                }
                MolvenaText {
                    Layout.fillWidth: true
                    text: "Del kun koden med en person, du ønsker at forbinde til din konto."
                    font.family: MolvenaTheme.fontFamily
                    font.pixelSize: 12
                    color: MolvenaTheme.muted
                    wrapMode: Text.WordWrap
                }
            }
            SecondaryButton {
                objectName: "copyCodeButton"
                Layout.alignment: Qt.AlignVCenter
                text: root.viewModel.copied ? "Kopieret" : "Kopiér"
                leadingIcon: root.viewModel.copied ? "checkmark" : "doc.on.doc"
                onClicked: root.viewModel.copyPairingCode()
            }
        }
    }

    // The relatives who paired with the code.
    Card {
        Layout.fillWidth: true
        ColumnLayout {
            anchors.fill: parent
            spacing: 12
            RowLayout {
                spacing: 8
                MolvenaText {
                    text: "Tilknyttede støttepersoner"
                    font.family: MolvenaTheme.fontFamily
                    font.pixelSize: 16
                    font.weight: Font.Bold
                    color: MolvenaTheme.navyDeep
                    Accessible.role: Accessible.Heading
                    Accessible.name: text
                }
                MolvenaSpinner {
                    objectName: "relativesSpinner"
                    visible: !root.viewModel.connections.didLoad
                    size: 12
                }
            }
            MolvenaText {
                Layout.fillWidth: true
                Layout.topMargin: -8
                text: "Personer der har forbundet sig med din parringskode."
                font.family: MolvenaTheme.fontFamily
                font.pixelSize: 12
                color: MolvenaTheme.muted
                wrapMode: Text.WordWrap
            }
            EmptySettingsRow {
                objectName: "noSupportRelatives"
                visible: root.viewModel.connections.didLoad && root.viewModel.connections.relatives.length === 0
                icon: "person.badge.plus"
                title: "Ingen støtteperson er tilknyttet endnu"
                detail: "Din parringskode kan bruges i Molvena-appen."
            }
            Repeater {
                model: root.viewModel.connections.relatives
                delegate: RowLayout {
                    id: relativeRow
                    required property var modelData
                    required property int index
                    Layout.fillWidth: true
                    spacing: 12
                    Accessible.role: Accessible.ListItem
                    Accessible.name: relativeRow.modelData.label + ", tilknyttet"
                    Rectangle {
                        implicitWidth: 38
                        implicitHeight: 38
                        radius: 19
                        color: MolvenaTheme.withOpacity(MolvenaTheme.green, 0.1)
                        SymbolIcon {
                            anchors.centerIn: parent
                            name: "checkmark"
                            color: MolvenaTheme.green
                            size: 11
                        }
                    }
                    ColumnLayout {
                        Layout.fillWidth: true
                        spacing: 1
                        MolvenaText {
                            objectName: "settingsRelative" + relativeRow.index
                            text: relativeRow.modelData.label
                            font.family: MolvenaTheme.fontFamily
                            font.pixelSize: 13
                            font.weight: Font.DemiBold
                            color: MolvenaTheme.navyDeep
                        }
                        MolvenaText {
                            text: "Tilknyttet"
                            font.family: MolvenaTheme.fontFamily
                            font.pixelSize: 11
                            color: MolvenaTheme.green
                        }
                    }
                    MolvenaText {
                        visible: text !== ""
                        text: String(relativeRow.modelData.platformLabel).toUpperCase()
                        font.family: MolvenaTheme.fontFamily
                        font.pixelSize: 10
                        font.weight: Font.Bold
                        font.letterSpacing: 0.6
                        color: MolvenaTheme.muted
                    }
                }
            }
        }
    }

    // Emergency contacts.
    Card {
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
                    text: root.viewModel.adding ? "Annuller" : "Tilføj kontakt"
                    leadingIcon: root.viewModel.adding ? "xmark" : "person.badge.plus"
                    onClicked: root.viewModel.toggleAdding()
                }
            }

            // The add form.
            Rectangle {
                id: form
                Layout.fillWidth: true
                visible: root.viewModel.adding
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
                            text: root.viewModel.newName
                            onEdited: value => root.viewModel.newName = value
                        }
                        MolvenaTextField {
                            objectName: "contactPhoneField"
                            title: "Telefonnummer"
                            placeholder: "+45 12 34 56 78"
                            inputMethodHints: Qt.ImhDialableCharactersOnly
                            text: root.viewModel.newPhone
                            onEdited: value => root.viewModel.newPhone = value
                            onAccepted: root.viewModel.saveContact()
                        }
                    }
                    // The store's answer, where the player is looking.
                    StoreMessage {
                        store: root.viewModel.account
                    }
                    PrimaryButton {
                        objectName: "saveContactButton"
                        text: root.viewModel.account.isSaving ? "Gemmer…" : "Gem kontakt"
                        busy: root.viewModel.account.isSaving
                        enabled: root.viewModel.canSaveContact
                        onClicked: root.viewModel.saveContact()
                    }
                }
            }

            EmptySettingsRow {
                objectName: "noContacts"
                visible: root.viewModel.account.emergencyContacts.length === 0
                icon: "phone"
                title: "Ingen nødkontakter endnu"
                detail: "Tilføj en person, du kan kontakte i en svær situation."
            }
            Repeater {
                model: root.viewModel.account.emergencyContacts
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
                            onClicked: root.viewModel.askToRemove(contactRow.modelData.raw)
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
