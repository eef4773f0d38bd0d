pragma ComponentBehavior: Bound
import QtQuick
import Molvena
import QtQuick.Layouts

// How many gambling domains are blocked, and what kinds.
Card {
    id: blockListCard

    required property PlayerDashboardViewModel viewModel

    Layout.fillWidth: true
    ColumnLayout {
        anchors.fill: parent
        spacing: 6
        MolvenaText {
            objectName: "blockListCount"
            text: blockListCard.viewModel.domains.formattedCount
            font.pixelSize: 20
            font.weight: Font.Black
            color: MolvenaTheme.navyDeep
        }
        MolvenaText {
            text: "Det ligger bag skjoldet"
            font.pixelSize: 13
            font.weight: Font.DemiBold
            color: MolvenaTheme.ink
        }
        MolvenaText {
            Layout.fillWidth: true
            text: "Bloklisten opdateres løbende — du behøver ikke opdatere appen for at få det nyeste antal."
            font.pixelSize: 12
            color: MolvenaTheme.muted
            wrapMode: Text.WordWrap
        }
        Flow {
            Layout.topMargin: 4
            Layout.fillWidth: true
            spacing: 6
            Repeater {
                model: [
                    { "text": "Udenlandske casinoer", "icon": "globe" },
                    { "text": "Mirror-sites", "icon": "rectangle.on.rectangle" },
                    { "text": "Crypto-casinoer", "icon": "bitcoinsign.circle" },
                    { "text": "Skinbetting", "icon": "gamecontroller" }
                ]
                delegate: Rectangle {
                    id: chip
                    required property var modelData
                    implicitWidth: chipRow.implicitWidth + 16
                    implicitHeight: 24
                    radius: 12
                    color: MolvenaTheme.blueSoft
                    RowLayout {
                        id: chipRow
                        anchors.centerIn: parent
                        spacing: 4
                        SymbolIcon {
                            name: chip.modelData.icon
                            color: MolvenaTheme.blue
                            size: 11
                        }
                        MolvenaText {
                            text: chip.modelData.text
                            font.pixelSize: 11
                            font.weight: Font.Medium
                            color: MolvenaTheme.navyDeep
                        }
                    }
                }
            }
        }
    }
}
