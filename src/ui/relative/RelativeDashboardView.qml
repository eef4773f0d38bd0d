pragma ComponentBehavior: Bound
import QtQuick
import Molvena
import QtQuick.Layouts
import QtQuick.Controls.Basic
import QtQuick.Shapes

// The relative's support overview: the player's days and shield, then the recent events.
Item {
    id: root

    required property RelativeDashboardViewModel viewModel

    function toneColor(tone: string): color {
        if (tone === "red")
            return MolvenaTheme.red
        if (tone === "orange")
            return Qt.rgba(1, 0.584, 0, 1)
        return MolvenaTheme.blue
    }

    Component.onCompleted: viewModel.reload()

    ColumnLayout {
        anchors.fill: parent
        spacing: 0

        RowLayout {
            Layout.fillWidth: true
            Layout.leftMargin: 44
            Layout.rightMargin: 44
            Layout.topMargin: 28
            Layout.bottomMargin: 18
            spacing: 14

            MolvenaLogo {}
            Item {
                Layout.fillWidth: true
            }
            MolvenaText {
                text: "Pårørende"
                font.pixelSize: 15
                font.weight: Font.DemiBold
                color: MolvenaTheme.red
            }
            LinkButton {
                objectName: "relativeLogOut"
                text: "Log ud"
                tint: MolvenaTheme.navyDeep
                onClicked: root.viewModel.logOut()
            }
        }

        ScrollView {
            id: scroller
            Layout.fillWidth: true
            Layout.fillHeight: true
            contentWidth: availableWidth
            clip: true

            ColumnLayout {
                width: scroller.availableWidth
                spacing: 0

                MolvenaSpinner {
                    objectName: "overviewSpinner"
                    visible: !root.viewModel.hasData && root.viewModel.loading
                    Layout.alignment: Qt.AlignHCenter
                    Layout.topMargin: 120
                    size: 28
                    color: MolvenaTheme.red
                }

                ColumnLayout {
                    objectName: "overviewPlaceholder"
                    visible: !root.viewModel.hasData && !root.viewModel.loading
                    Layout.alignment: Qt.AlignHCenter
                    Layout.topMargin: 110
                    Layout.maximumWidth: 520
                    spacing: 16

                    MolvenaText {
                        objectName: "overviewMessage"
                        Layout.fillWidth: true
                        horizontalAlignment: Text.AlignHCenter
                        text: root.viewModel.placeholderText
                        font.pixelSize: 15
                        color: MolvenaTheme.ink
                        wrapMode: Text.WordWrap
                        Accessible.role: Accessible.AlertMessage
                        Accessible.name: text
                    }
                    PrimaryButton {
                        objectName: "overviewRetry"
                        Layout.alignment: Qt.AlignHCenter
                        tint: MolvenaTheme.red
                        text: "Prøv igen"
                        leadingIcon: "arrow.clockwise"
                        onClicked: root.viewModel.reload()
                    }
                }

                ColumnLayout {
                    visible: root.viewModel.hasData
                    Layout.fillWidth: true
                    Layout.leftMargin: 44
                    Layout.rightMargin: 44
                    Layout.bottomMargin: 40
                    spacing: 20

                    Rectangle {
                        id: summary
                        objectName: "overviewSummary"
                        Layout.fillWidth: true
                        implicitHeight: summaryRow.implicitHeight + 68
                        radius: 28
                        clip: true
                        color: MolvenaTheme.red

                        Shape {
                            anchors.fill: parent
                            ShapePath {
                                strokeColor: "transparent"
                                fillGradient: LinearGradient {
                                    x1: 0
                                    y1: 0
                                    x2: summary.width
                                    y2: summary.height
                                    GradientStop { position: 0; color: Qt.rgba(0.32, 0.03, 0.05, 1) }
                                    GradientStop { position: 1; color: MolvenaTheme.red }
                                }
                                startX: summary.radius
                                startY: 0
                                PathLine { x: summary.width - summary.radius; y: 0 }
                                PathArc { x: summary.width; y: summary.radius; radiusX: summary.radius; radiusY: summary.radius }
                                PathLine { x: summary.width; y: summary.height - summary.radius }
                                PathArc { x: summary.width - summary.radius; y: summary.height; radiusX: summary.radius; radiusY: summary.radius }
                                PathLine { x: summary.radius; y: summary.height }
                                PathArc { x: 0; y: summary.height - summary.radius; radiusX: summary.radius; radiusY: summary.radius }
                                PathLine { x: 0; y: summary.radius }
                                PathArc { x: summary.radius; y: 0; radiusX: summary.radius; radiusY: summary.radius }
                            }
                        }

                        RowLayout {
                            id: summaryRow
                            anchors.fill: parent
                            anchors.margins: 34
                            spacing: 24

                            ColumnLayout {
                                Layout.fillWidth: true
                                spacing: 6

                                MolvenaText {
                                    text: "PÅRØRENDE · STØTTEOVERBLIK"
                                    font.pixelSize: 11
                                    font.weight: Font.Bold
                                    font.letterSpacing: 2
                                    color: Qt.rgba(1, 1, 1, 0.7)
                                }
                                MolvenaText {
                                    objectName: "overviewPlayerName"
                                    Layout.fillWidth: true
                                    text: root.viewModel.playerName
                                    font.pixelSize: 28
                                    font.weight: Font.Bold
                                    color: "white"
                                    elide: Text.ElideRight
                                }
                                MolvenaText {
                                    objectName: "overviewDays"
                                    Layout.topMargin: 6
                                    text: root.viewModel.daysClean
                                    font.pixelSize: 76
                                    font.weight: Font.Black
                                    color: "white"
                                }
                                MolvenaText {
                                    text: "dage molvena"
                                    font.pixelSize: 15
                                    font.weight: Font.DemiBold
                                    color: Qt.rgba(1, 1, 1, 0.85)
                                }
                            }

                            ColumnLayout {
                                Layout.alignment: Qt.AlignTop | Qt.AlignRight
                                spacing: 12

                                RowLayout {
                                    spacing: 8
                                    SymbolIcon {
                                        name: root.viewModel.shieldActive ? "checkmark.shield.fill" : "shield.slash.fill"
                                        color: "white"
                                        size: 18
                                    }
                                    MolvenaText {
                                        objectName: "overviewShield"
                                        text: root.viewModel.shieldText
                                        font.pixelSize: 16
                                        font.weight: Font.Bold
                                        color: "white"
                                    }
                                }
                                MolvenaText {
                                    objectName: "overviewUrge"
                                    visible: text !== ""
                                    text: root.viewModel.urgeText
                                    font.pixelSize: 14
                                    font.weight: Font.DemiBold
                                    color: Qt.rgba(1, 1, 1, 0.9)
                                }
                                MolvenaText {
                                    objectName: "overviewMood"
                                    visible: text !== ""
                                    text: root.viewModel.moodText
                                    font.pixelSize: 14
                                    font.weight: Font.DemiBold
                                    color: Qt.rgba(1, 1, 1, 0.9)
                                }
                            }
                        }
                    }

                    Card {
                        objectName: "overviewHistory"
                        Layout.fillWidth: true

                        ColumnLayout {
                            anchors.fill: parent
                            spacing: 0

                            MolvenaText {
                                Layout.bottomMargin: 8
                                text: "Seneste hændelser"
                                font.pixelSize: 22
                                font.weight: Font.Bold
                                color: MolvenaTheme.navyDeep
                                Accessible.role: Accessible.Heading
                                Accessible.name: text
                            }
                            MolvenaText {
                                visible: root.viewModel.history.length === 0
                                Layout.topMargin: 8
                                text: "Ingen hændelser endnu."
                                font.pixelSize: 13
                                color: MolvenaTheme.muted
                            }
                            Repeater {
                                model: root.viewModel.history

                                ColumnLayout {
                                    id: entry
                                    required property var modelData
                                    required property int index
                                    objectName: "historyRow" + index
                                    Layout.fillWidth: true
                                    spacing: 0

                                    Rectangle {
                                        Layout.fillWidth: true
                                        implicitHeight: 1
                                        color: MolvenaTheme.line
                                    }
                                    RowLayout {
                                        Layout.fillWidth: true
                                        Layout.topMargin: 12
                                        Layout.bottomMargin: 12
                                        spacing: 12

                                        Rectangle {
                                            objectName: "historyDot" + entry.index
                                            implicitWidth: 8
                                            implicitHeight: 8
                                            radius: 4
                                            color: root.toneColor(entry.modelData.tone)
                                        }
                                        MolvenaText {
                                            objectName: "historyTitle" + entry.index
                                            Layout.fillWidth: true
                                            text: entry.modelData.title
                                            font.pixelSize: 14
                                            font.weight: Font.DemiBold
                                            color: MolvenaTheme.ink
                                            elide: Text.ElideRight
                                        }
                                        MolvenaText {
                                            text: entry.modelData.timestamp
                                            font.pixelSize: 12
                                            color: MolvenaTheme.muted
                                        }
                                    }
                                }
                            }
                        }
                    }
                }
            }
        }
    }

    KeepInView {
        flickable: scroller.contentItem as Flickable
    }
}
