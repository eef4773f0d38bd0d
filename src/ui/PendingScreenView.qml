import QtQuick
import Molvena
import QtQuick.Layouts

// A screen this version does not have yet, said plainly.
Item {
    id: root

    required property PendingScreenViewModel viewModel

    ColumnLayout {
        anchors.centerIn: parent
        width: Math.min(parent.width - 120, 560)
        spacing: 16

        MolvenaLogo {
            Layout.alignment: Qt.AlignHCenter
        }
        MolvenaText {
            objectName: "pendingTitle"
            Layout.fillWidth: true
            horizontalAlignment: Text.AlignHCenter
            text: root.viewModel.title
            font.pixelSize: 30
            font.weight: Font.Black
            color: MolvenaTheme.navyDeep
            wrapMode: Text.WordWrap
        }
        MolvenaText {
            Layout.fillWidth: true
            horizontalAlignment: Text.AlignHCenter
            text: root.viewModel.message
            font.pixelSize: 15
            color: MolvenaTheme.muted
            wrapMode: Text.WordWrap
            lineHeight: 1.25
        }
        SecondaryButton {
            objectName: "pendingBack"
            Layout.alignment: Qt.AlignHCenter
            Layout.topMargin: 8
            text: root.viewModel.backLabel
            onClicked: root.viewModel.backToStart()
        }
    }
}
