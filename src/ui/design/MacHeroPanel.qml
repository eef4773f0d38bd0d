import QtQuick
import Molvena
import QtQuick.Layouts
import QtQuick.Shapes

// The dark panel that fills the right side of the first screens. By default it presents the web
// protection with the blocked-domain count (or, with `accentRed`, the support role); every text, the
// head symbol and check rows can be replaced for screens whose panel follows their own state.
Rectangle {
    id: panel

    property string role
    property bool accentRed: false
    // The blocked-domain count store: read for `formattedCount`, refreshed once when shown.
    property var domains: null

    property string eyebrow: role
    property string title: accentRed ? "Støt uden at\novervåge"
                                     : (domains ? domains.formattedCount : "") + "\ndomæner"
    property string body: accentRed ? "Få de signaler, der betyder noget — og besked hvis beskyttelsen brydes."
                                    : "Casino · betting · crypto-casinoer\nskinbetting · mirror-sites"
    // A symbol name in the head tile instead of the shield mark.
    property string headIcon
    // Texts shown as check rows instead of the two feature pills.
    property var rows: []
    property color gradientStart: accentRed ? Qt.rgba(0.28, 0.025, 0.055, 1) : MolvenaTheme.navyDeep
    property color gradientEnd: accentRed ? MolvenaTheme.red : MolvenaTheme.blue

    readonly property color accent: accentRed ? MolvenaTheme.red : MolvenaTheme.blue

    clip: true
    color: gradientEnd
    Accessible.role: Accessible.Pane
    Accessible.name: eyebrow

    Component.onCompleted: {
        if (domains)
            domains.startRefresh()
    }

    // From the top leading to the bottom trailing corner, whatever the panel's proportions. A shape
    // fill rather than a shader, so it draws with every scene graph backend.
    Shape {
        anchors.fill: parent
        ShapePath {
            strokeColor: "transparent"
            fillGradient: LinearGradient {
                x1: 0
                y1: 0
                x2: panel.width
                y2: panel.height
                GradientStop { position: 0; color: panel.gradientStart }
                GradientStop { position: 1; color: panel.gradientEnd }
            }
            startX: 0
            startY: 0
            PathLine { x: panel.width; y: 0 }
            PathLine { x: panel.width; y: panel.height }
            PathLine { x: 0; y: panel.height }
            PathLine { x: 0; y: 0 }
        }
    }

    Rectangle {
        width: 360
        height: 360
        radius: 180
        x: parent.width - 250
        y: -120
        color: Qt.rgba(1, 1, 1, 0.06)
    }
    Rectangle {
        width: 260
        height: 260
        radius: 130
        x: -90
        y: parent.height - 170
        color: Qt.rgba(1, 1, 1, 0.035)
    }

    ColumnLayout {
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.verticalCenter: parent.verticalCenter
        anchors.margins: 42
        spacing: 0

        Rectangle {
            Layout.preferredWidth: 116
            Layout.preferredHeight: 116
            radius: 26
            color: Qt.rgba(1, 1, 1, 0.1)

            ShieldShape {
                visible: panel.headIcon === ""
                anchors.centerIn: parent
                width: 66
                height: 78
                fillColor: "white"
                SymbolIcon {
                    anchors.centerIn: parent
                    anchors.verticalCenterOffset: -3
                    name: "checkmark"
                    color: panel.accent
                    size: 34
                }
            }
            SymbolIcon {
                visible: panel.headIcon !== ""
                anchors.centerIn: parent
                name: panel.headIcon
                color: "white"
                size: 54
            }
        }

        MolvenaEyebrow {
            Layout.fillWidth: true
            Layout.topMargin: 30
            text: panel.eyebrow
            light: true
        }

        MolvenaText {
            objectName: "heroTitle"
            Layout.fillWidth: true
            Layout.topMargin: 14
            text: panel.title
            color: "white"
            font.family: MolvenaTheme.fontFamily
            font.pixelSize: 38
            font.weight: Font.Black
            lineHeight: 1.05
            wrapMode: Text.WordWrap
        }

        MolvenaText {
            Layout.fillWidth: true
            Layout.topMargin: 16
            text: panel.body
            color: "white"
            font.family: MolvenaTheme.fontFamily
            font.pixelSize: 14
            lineHeight: 1.25
            wrapMode: Text.WordWrap
        }

        Flow {
            visible: panel.rows.length === 0
            Layout.fillWidth: true
            Layout.topMargin: 24
            spacing: 10
            FeaturePill { icon: "safari"; text: "Browsere" }
            FeaturePill { icon: "network"; text: "Apps" }
        }

        ColumnLayout {
            visible: panel.rows.length > 0
            Layout.fillWidth: true
            Layout.topMargin: 24
            spacing: 10
            Repeater {
                model: panel.rows
                RowLayout {
                    id: checkRow
                    required property string modelData
                    spacing: 10
                    Layout.fillWidth: true
                    SymbolIcon {
                        name: "checkmark.circle.fill"
                        color: "white"
                        size: 16
                    }
                    MolvenaText {
                        Layout.fillWidth: true
                        text: checkRow.modelData
                        color: "white"
                        font.family: MolvenaTheme.fontFamily
                        font.pixelSize: 14
                        font.weight: Font.DemiBold
                        wrapMode: Text.WordWrap
                    }
                }
            }
        }
    }
}
