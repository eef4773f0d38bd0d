import QtQuick
import QtQuick.Window

Window {
    id: window
    width: 1180
    height: 760
    minimumWidth: 1080
    minimumHeight: 720
    visible: true
    title: "Molvena"
    // The design system's page background.
    color: Qt.rgba(0.975, 0.967, 0.952, 1)

    Text {
        objectName: "startupText"
        anchors.centerIn: parent
        text: molvenaApp.startupText
        font.pixelSize: 28
        font.weight: Font.DemiBold
        font.letterSpacing: 1.5
        color: "#2a1416"
    }
}
