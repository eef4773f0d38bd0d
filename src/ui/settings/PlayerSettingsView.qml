pragma ComponentBehavior: Bound
import QtQuick
import Molvena
import QtQuick.Layouts
import QtQuick.Templates as T

// The settings window: a modal sheet over the dashboard, the sections on the left, the selected
// section's page on the right, and the profile sheet over it all while it is open.
ModalScope {
    id: root

    required property PlayerSettingsViewModel viewModel

    function sourceFor(section: string): string {
        switch (section) {
        case "account": return "AccountSettingsPage.qml";
        case "support": return "SupportSettingsPage.qml";
        case "pin": return "PinSettingsPage.qml";
        case "spending": return "SpendingSettingsPage.qml";
        case "protection": return "ProtectionSettingsPage.qml";
        case "history": return "HistorySettingsPage.qml";
        default: return "DeviceSettingsPage.qml";
        }
    }

    function showPage() {
        pageLoader.setSource(Qt.resolvedUrl(root.sourceFor(root.viewModel.pageSection)),
                             { "viewModel": root.viewModel.pageModel });
    }

    onCloseRequested: root.viewModel.close()
    Component.onCompleted: {
        root.showPage();
        root.viewModel.appeared();
    }

    Connections {
        target: root.viewModel
        function onPageModelChanged() {
            root.showPage();
        }
    }

    // The dashboard behind stays visible but takes no clicks.
    Rectangle {
        anchors.fill: parent
        color: MolvenaTheme.withOpacity(MolvenaTheme.navyDeep, 0.38)
        MouseArea {
            anchors.fill: parent
            acceptedButtons: Qt.AllButtons
            onWheel: wheel => wheel.accepted = true
        }
    }

    Rectangle {
        id: sheet
        objectName: "settingsWindow"
        anchors.centerIn: parent
        width: Math.max(980, Math.min(root.width - 60, 1180))
        height: Math.max(650, Math.min(root.height - 50, 860))
        radius: 18
        color: MolvenaTheme.canvas
        border.width: 1
        border.color: MolvenaTheme.line
        clip: true
        Accessible.role: Accessible.Dialog
        Accessible.name: "Indstillinger"

        RowLayout {
            anchors.fill: parent
            spacing: 0

            // Sidebar.
            Rectangle {
                Layout.fillHeight: true
                Layout.minimumWidth: 220
                Layout.preferredWidth: 240
                Layout.maximumWidth: 280
                color: MolvenaTheme.card
                radius: 18
                clip: true

                // Square on the side that meets the page.
                Rectangle {
                    anchors.right: parent.right
                    anchors.top: parent.top
                    anchors.bottom: parent.bottom
                    width: 18
                    color: MolvenaTheme.card
                }
                Rectangle {
                    anchors.right: parent.right
                    anchors.top: parent.top
                    anchors.bottom: parent.bottom
                    width: 1
                    color: MolvenaTheme.line
                }

                ColumnLayout {
                    anchors.fill: parent
                    spacing: 0

                    ColumnLayout {
                        Layout.margins: 22
                        Layout.bottomMargin: 18
                        spacing: 8
                        MolvenaLogo {
                            compact: true
                        }
                        MolvenaEyebrow {
                            text: "INDSTILLINGER"
                            Accessible.role: Accessible.Heading
                            Accessible.name: "Indstillinger"
                        }
                    }

                    ColumnLayout {
                        Layout.fillWidth: true
                        Layout.leftMargin: 10
                        Layout.rightMargin: 10
                        spacing: 2
                        Accessible.role: Accessible.List
                        Accessible.name: "Sektioner"

                        Repeater {
                            model: root.viewModel.sections
                            delegate: T.ItemDelegate {
                                id: entry
                                required property var modelData
                                readonly property bool selected: root.viewModel !== null
                                                                && root.viewModel.pageSection === entry.modelData.section
                                objectName: "section_" + entry.modelData.section
                                Layout.fillWidth: true
                                implicitHeight: 38
                                leftPadding: 12
                                rightPadding: 12
                                topPadding: 3
                                bottomPadding: 3
                                focusPolicy: Qt.StrongFocus
                                Accessible.role: Accessible.ListItem
                                Accessible.name: entry.modelData.title
                                Accessible.selected: entry.selected
                                Accessible.onPressAction: entry.clicked()
                                onClicked: root.viewModel.selection = entry.modelData.section
                                Keys.onReturnPressed: entry.clicked()

                                background: Rectangle {
                                    radius: 9
                                    color: entry.selected ? MolvenaTheme.blueSoft
                                           : entry.hovered ? MolvenaTheme.withOpacity(MolvenaTheme.blueSoft, 0.5) : "transparent"
                                    border.width: entry.visualFocus ? 2 : 0
                                    border.color: MolvenaTheme.withOpacity(MolvenaTheme.blue, 0.45)
                                }
                                contentItem: RowLayout {
                                    spacing: 10
                                    SymbolIcon {
                                        name: entry.modelData.icon
                                        color: entry.selected ? MolvenaTheme.blue : MolvenaTheme.muted
                                        size: 14
                                    }
                                    MolvenaText {
                                        Layout.fillWidth: true
                                        text: entry.modelData.title
                                        font.family: MolvenaTheme.fontFamily
                                        font.pixelSize: 13
                                        font.weight: Font.DemiBold
                                        color: entry.selected ? MolvenaTheme.navyDeep : MolvenaTheme.ink
                                        elide: Text.ElideRight
                                    }
                                }
                            }
                        }
                    }

                    Item {
                        Layout.fillHeight: true
                    }
                    Rectangle {
                        Layout.fillWidth: true
                        implicitHeight: 1
                        color: MolvenaTheme.line
                    }
                    MolvenaButton {
                        id: closeButton
                        objectName: "closeSettings"
                        Layout.fillWidth: true
                        implicitHeight: 48
                        leftPadding: 18
                        rightPadding: 18
                        text: "Luk indstillinger"
                        onClicked: root.viewModel.close()
                        background: Rectangle {
                            color: closeButton.hovered ? MolvenaTheme.withOpacity(MolvenaTheme.blueSoft, 0.5) : "transparent"
                            radius: 0
                            border.width: closeButton.visualFocus ? 2 : 0
                            border.color: MolvenaTheme.withOpacity(MolvenaTheme.blue, 0.45)
                        }
                        contentItem: RowLayout {
                            spacing: 8
                            SymbolIcon {
                                name: "xmark"
                                color: MolvenaTheme.navyDeep
                                size: 11
                            }
                            MolvenaText {
                                Layout.fillWidth: true
                                text: closeButton.text
                                font.family: MolvenaTheme.fontFamily
                                font.pixelSize: 12
                                font.weight: Font.DemiBold
                                color: MolvenaTheme.navyDeep
                            }
                        }
                    }
                }
            }

            // The selected section's page.
            Loader {
                id: pageLoader
                objectName: "settingsPage"
                Layout.fillWidth: true
                Layout.fillHeight: true
            }
        }
    }

    // The profile sheet, made anew for each presentation.
    // Its model is handed over once: on closing the sheet goes without seeing a null model.
    Repeater {
        model: root.viewModel.profileSheetModel !== null ? [root.viewModel.profileSheetModel] : []
        delegate: MacDNSProfileSetupSheet {
            required property MacDNSProfileSetupViewModel modelData
            width: root.width
            height: root.height
            viewModel: modelData
            onCloseRequested: root.viewModel.showDNSProfileSetup = false
        }
    }
}
