pragma ComponentBehavior: Bound
import QtQuick
import Molvena
import QtQuick.Layouts

// The support persons who have paired with the code.
Card {
    id: relativesCard

    required property SupportSettingsViewModel viewModel

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
                visible: !relativesCard.viewModel.connections.didLoad
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
            visible: relativesCard.viewModel.connections.didLoad && relativesCard.viewModel.connections.relatives.length === 0
            icon: "person.badge.plus"
            title: "Ingen støtteperson er tilknyttet endnu"
            detail: "Din parringskode kan bruges i Molvena-appen."
        }
        Repeater {
            model: relativesCard.viewModel.connections.relatives
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
