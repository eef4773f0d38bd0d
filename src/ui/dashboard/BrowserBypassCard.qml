pragma ComponentBehavior: Bound
import QtQuick
import QtQuick.Layouts
import Molvena

// Names each browser that resolves names itself and so goes around the web protection, with the
// steps that switch its own DNS off. Shows nothing while every browser uses the system's DNS.
Card {
    id: card

    // {browser, provider, steps} per browser, as the protection monitor publishes them.
    property var bypasses: []

    visible: card.bypasses.length > 0
    fillColor: MolvenaTheme.redSoft
    borderColor: MolvenaTheme.withOpacity(MolvenaTheme.red, 0.25)
    Accessible.role: Accessible.Grouping
    Accessible.name: title.text

    ColumnLayout {
        anchors.fill: parent
        spacing: 12

        RowLayout {
            Layout.fillWidth: true
            spacing: 12
            SymbolIcon {
                name: "exclamationmark.triangle.fill"
                color: MolvenaTheme.red
                size: 20
            }
            ColumnLayout {
                Layout.fillWidth: true
                spacing: 2
                MolvenaText {
                    id: title
                    objectName: "browserBypassTitle"
                    Layout.fillWidth: true
                    text: card.bypasses.length === 1
                          ? card.bypasses[0].browser + " går uden om webbeskyttelsen"
                          : "Flere browsere går uden om webbeskyttelsen"
                    font.family: MolvenaTheme.fontFamily
                    font.pixelSize: 14
                    font.weight: Font.Bold
                    color: MolvenaTheme.navyDeep
                    wrapMode: Text.WordWrap
                }
                MolvenaText {
                    Layout.fillWidth: true
                    text: "Molvena blokerer gambling-sider gennem " + DeviceWords.genitive + " DNS. En browser med sin egen DNS spørger ikke " + DeviceWords.definite + " og kan derfor åbne dem."
                    font.family: MolvenaTheme.fontFamily
                    font.pixelSize: 12
                    color: MolvenaTheme.muted
                    wrapMode: Text.WordWrap
                }
            }
        }

        Repeater {
            model: card.bypasses
            delegate: RowLayout {
                id: row
                required property var modelData
                Layout.fillWidth: true
                spacing: 10
                SymbolIcon {
                    Layout.alignment: Qt.AlignTop
                    name: "globe"
                    color: MolvenaTheme.red
                    size: 14
                }
                ColumnLayout {
                    Layout.fillWidth: true
                    spacing: 2
                    MolvenaText {
                        objectName: "browserBypassName"
                        Layout.fillWidth: true
                        text: row.modelData.browser
                        font.family: MolvenaTheme.fontFamily
                        font.pixelSize: 13
                        font.weight: Font.DemiBold
                        color: MolvenaTheme.ink
                    }
                    MolvenaText {
                        objectName: "browserBypassSteps"
                        Layout.fillWidth: true
                        text: row.modelData.steps
                        font.family: MolvenaTheme.fontFamily
                        font.pixelSize: 12
                        color: MolvenaTheme.ink
                        wrapMode: Text.WordWrap
                        Accessible.role: Accessible.StaticText
                        Accessible.name: row.modelData.browser + ": " + text
                    }
                }
            }
        }
    }
}
