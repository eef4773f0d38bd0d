pragma ComponentBehavior: Bound
import QtQuick
import QtQuick.Layouts
import Molvena

// "Beskyttelse": the three layers of this Mac, live, with a check and the way back to the profile.
SettingsPage {
    id: root

    required property ProtectionSettingsViewModel viewModel

    title: "Beskyttelse på denne " + DeviceWords.noun
    subtitle: "Her kan du se de sikkerhedslag, der beskytter din internetadgang."

    VPNWarningCard {
        objectName: "vpnWarningCard"
        Layout.fillWidth: true
        visible: root.viewModel.vpn.isVPNActive
        vpn: root.viewModel.vpn
    }

    BrowserBypassCard {
        objectName: "browserBypassCard"
        Layout.fillWidth: true
        bypasses: root.viewModel.monitor.browserBypasses
    }

    Card {
        Layout.fillWidth: true

        ColumnLayout {
            anchors.fill: parent
            spacing: 14

            Repeater {
                model: root.viewModel.layers
                delegate: RowLayout {
                    id: layer

                    required property var modelData
                    required property int index
                    readonly property color tint: layer.modelData.inPlace ? MolvenaTheme.green : MolvenaTheme.red

                    objectName: "layer_" + layer.modelData.key
                    Layout.fillWidth: true
                    spacing: 14
                    Accessible.role: Accessible.StaticText
                    Accessible.name: layer.modelData.title + ": " + layer.modelData.status

                    Rectangle {
                        objectName: "layerTile_" + layer.modelData.key
                        implicitWidth: 42
                        implicitHeight: 42
                        radius: 10
                        color: MolvenaTheme.withOpacity(layer.tint, 0.09)
                        SymbolIcon {
                            anchors.centerIn: parent
                            name: layer.modelData.icon
                            color: layer.tint
                            size: 15
                        }
                    }
                    ColumnLayout {
                        Layout.fillWidth: true
                        spacing: 2
                        MolvenaText {
                            Layout.fillWidth: true
                            text: layer.modelData.title
                            font.pixelSize: 13
                            font.weight: Font.Bold
                            color: MolvenaTheme.navyDeep
                        }
                        MolvenaText {
                            objectName: "layerDetail_" + layer.modelData.key
                            Layout.fillWidth: true
                            text: layer.modelData.detail
                            font.pixelSize: 11
                            color: MolvenaTheme.muted
                            wrapMode: Text.WordWrap
                        }
                    }
                    SymbolIcon {
                        objectName: "layerMark_" + layer.modelData.key
                        name: layer.modelData.inPlace ? "checkmark.circle.fill" : "exclamationmark.circle.fill"
                        color: layer.tint
                        size: 14
                    }
                    MolvenaText {
                        objectName: "layerStatus_" + layer.modelData.key
                        Layout.maximumWidth: 190
                        text: layer.modelData.status
                        font.pixelSize: 12
                        font.weight: Font.DemiBold
                        color: layer.tint
                        wrapMode: Text.WordWrap
                        horizontalAlignment: Text.AlignRight
                    }
                }
            }
        }
    }

    Repeater {
        model: root.viewModel.monitor.browsersNotChecked
        delegate: BrowserNotCheckedRow {
            id: unchecked
            required property var modelData
            browser: unchecked.modelData.browser
            reason: unchecked.modelData.reason
        }
    }

    RowLayout {
        spacing: 10

        PrimaryButton {
            objectName: "checkProtectionButton"
            text: root.viewModel.checkButtonText
            busy: root.viewModel.checking
            enabled: !root.viewModel.checking
            leadingIcon: root.viewModel.checking ? "" : "arrow.clockwise"
            onClicked: root.viewModel.check()
        }
        SecondaryButton {
            objectName: "reinstallWebProtectionButton"
            text: "Geninstaller webbeskyttelse"
            leadingIcon: "network.badge.shield.half.filled"
            onClicked: root.viewModel.reinstallWebProtection()
        }
    }

    SecondaryButton {
        objectName: "openNetworkSettingsButton"
        visible: root.viewModel.vpn.isVPNActive
        text: "Åbn netværksindstillinger"
        leadingIcon: "network"
        onClicked: root.viewModel.openNetworkSettings()
    }
    Text {
        objectName: "networkSettingsHelp"
        Layout.fillWidth: true
        visible: root.viewModel.vpn.isVPNActive && text !== ""
        text: root.viewModel.vpn.settingsHelpText
        font.pixelSize: 12
        font.weight: Font.DemiBold
        color: MolvenaTheme.navyDeep
        wrapMode: Text.WordWrap
        Accessible.role: Accessible.StaticText
        Accessible.name: text
    }
}
