pragma ComponentBehavior: Bound
import QtQuick
import Molvena
import QtQuick.Layouts

// The pairing code to share and the support persons connected with it.
Card {
    id: connectionCard

    required property PlayerDashboardViewModel viewModel

    Layout.fillWidth: true
    ColumnLayout {
        anchors.fill: parent
        spacing: 10
        MolvenaText {
            text: "Din forbindelse"
            font.pixelSize: 16
            font.weight: Font.Bold
            color: MolvenaTheme.navyDeep
        }
        RowLayout {
            spacing: 6
            SymbolIcon {
                name: "person.2.fill"
                color: MolvenaTheme.blue
                size: 13
            }
            MolvenaEyebrow {
                text: "PARRINGSKODE"
            }
        }
        RowLayout {
            Layout.fillWidth: true
            TextEdit {
                objectName: "pairingCode"
                Layout.fillWidth: true
                text: connectionCard.viewModel.pairingCodeDisplay
                readOnly: true
                selectByMouse: true
                font.family: "monospace"
                font.pixelSize: 30
                font.weight: Font.Bold
                color: MolvenaTheme.navyDeep
                Accessible.role: Accessible.StaticText
                Accessible.name: "Parringskode " + text
            }
            SecondaryButton {
                objectName: "copyPairingCode"
                leadingIcon: connectionCard.viewModel.didCopy ? "checkmark" : "doc.on.doc"
                text: ""
                Accessible.name: "Kopiér parringskoden"
                onClicked: connectionCard.viewModel.copyPairingCode()
            }
        }
        MolvenaText {
            Layout.fillWidth: true
            text: "Del kun koden med den person, du vil forbinde."
            font.pixelSize: 12
            color: MolvenaTheme.muted
            wrapMode: Text.WordWrap
        }
        Rectangle {
            Layout.fillWidth: true
            implicitHeight: 1
            color: MolvenaTheme.line
        }
        RowLayout {
            objectName: "noRelatives"
            visible: connectionCard.viewModel.relatives.length === 0
            spacing: 10
            SymbolIcon {
                name: "person.badge.plus"
                color: MolvenaTheme.muted
                size: 18
            }
            ColumnLayout {
                spacing: 1
                MolvenaText {
                    text: "Ingen er tilkoblet endnu"
                    font.pixelSize: 13
                    font.weight: Font.DemiBold
                    color: MolvenaTheme.navyDeep
                }
                MolvenaText {
                    text: "Koden ovenfor kan bruges i Molvena."
                    font.pixelSize: 12
                    color: MolvenaTheme.muted
                }
            }
        }
        MolvenaText {
            visible: connectionCard.viewModel.relatives.length > 0
            text: "TILKNYTTEDE STØTTEPERSONER"
            font.pixelSize: 10
            font.weight: Font.Bold
            font.letterSpacing: 1
            color: MolvenaTheme.muted
        }
        Repeater {
            model: connectionCard.viewModel.relatives
            delegate: RowLayout {
                id: relativeRow
                required property var modelData
                required property int index
                objectName: "relative" + index
                Layout.fillWidth: true
                spacing: 10
                Rectangle {
                    implicitWidth: 24
                    implicitHeight: 24
                    radius: 12
                    color: MolvenaTheme.withOpacity(MolvenaTheme.green, 0.12)
                    SymbolIcon {
                        anchors.centerIn: parent
                        name: "checkmark"
                        color: MolvenaTheme.green
                        size: 12
                    }
                }
                ColumnLayout {
                    Layout.fillWidth: true
                    spacing: 0
                    MolvenaText {
                        objectName: "relativeLabel" + relativeRow.index
                        Layout.fillWidth: true
                        text: relativeRow.modelData.label
                        font.pixelSize: 13
                        font.weight: Font.DemiBold
                        color: MolvenaTheme.navyDeep
                        elide: Text.ElideRight
                    }
                    MolvenaText {
                        text: "Tilkoblet"
                        font.pixelSize: 11
                        color: MolvenaTheme.green
                    }
                }
                MolvenaText {
                    visible: text.length > 0
                    text: String(relativeRow.modelData.platformLabel).toUpperCase()
                    font.pixelSize: 9
                    font.weight: Font.Bold
                    color: MolvenaTheme.muted
                }
            }
        }
    }
}
