pragma ComponentBehavior: Bound
import QtQuick
import QtQuick.Layouts
import Molvena

// "Historik": the account's events, fetched each time the page is shown and on request.
SettingsPage {
    id: root

    required property HistorySettingsViewModel viewModel

    title: "Historik"
    subtitle: "Se blokeringer og vigtige sikkerhedshændelser fra denne " + DeviceWords.noun + "."

    Component.onCompleted: root.viewModel.refresh()

    SecondaryButton {
        objectName: "refreshHistoryButton"
        text: root.viewModel.refreshButtonText
        busy: root.viewModel.loading
        enabled: !root.viewModel.loading
        leadingIcon: root.viewModel.loading ? "" : "arrow.clockwise"
        onClicked: root.viewModel.refresh()
    }

    Card {
        Layout.fillWidth: true

        ColumnLayout {
            anchors.fill: parent
            spacing: 0

            RowLayout {
                objectName: "historyLoading"
                visible: root.viewModel.showLoadingLine
                spacing: 10
                MolvenaSpinner {
                    color: MolvenaTheme.muted
                    size: 14
                }
                MolvenaText {
                    text: "Henter historik…"
                    font.pixelSize: 12
                    color: MolvenaTheme.muted
                }
            }

            EmptySettingsRow {
                objectName: "historyEmpty"
                Layout.fillWidth: true
                visible: root.viewModel.showEmpty
                icon: "checkmark.shield"
                title: "Ingen hændelser endnu"
                detail: "Når Molvena blokerer et forsøg på denne " + DeviceWords.noun + ", vises det her."
            }

            Repeater {
                model: root.viewModel.rows
                delegate: ColumnLayout {
                    id: event

                    required property var modelData
                    required property int index
                    readonly property color tint: event.modelData.positive ? MolvenaTheme.green : MolvenaTheme.red

                    Layout.fillWidth: true
                    spacing: 0
                    Accessible.role: Accessible.ListItem
                    Accessible.name: event.modelData.title + ", " + event.modelData.time

                    Rectangle {
                        Layout.fillWidth: true
                        visible: event.index > 0
                        implicitHeight: 1
                        color: MolvenaTheme.line
                    }
                    RowLayout {
                        Layout.fillWidth: true
                        Layout.topMargin: 12
                        Layout.bottomMargin: 12
                        spacing: 14

                        Rectangle {
                            Layout.alignment: Qt.AlignTop
                            implicitWidth: 42
                            implicitHeight: 42
                            radius: 21
                            color: MolvenaTheme.withOpacity(event.tint, 0.1)
                            SymbolIcon {
                                objectName: "historyIcon" + event.index
                                anchors.centerIn: parent
                                name: event.modelData.icon
                                color: event.tint
                                size: 17
                            }
                        }
                        ColumnLayout {
                            Layout.fillWidth: true
                            spacing: 2
                            MolvenaText {
                                objectName: "historyTitle" + event.index
                                Layout.fillWidth: true
                                text: event.modelData.title
                                font.pixelSize: 13
                                font.weight: Font.Bold
                                color: MolvenaTheme.navyDeep
                                wrapMode: Text.WordWrap
                            }
                            MolvenaText {
                                objectName: "historySubtitle" + event.index
                                Layout.fillWidth: true
                                visible: event.modelData.subtitle !== ""
                                text: event.modelData.subtitle
                                font.pixelSize: 11
                                color: MolvenaTheme.ink
                                wrapMode: Text.WordWrap
                            }
                            MolvenaText {
                                objectName: "historyTime" + event.index
                                text: event.modelData.time
                                font.pixelSize: 11
                                color: MolvenaTheme.muted
                            }
                        }
                    }
                }
            }
        }
    }

    StoreMessage {
        Layout.fillWidth: true
        store: root.viewModel.account
    }
}
