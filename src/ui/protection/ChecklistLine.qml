import QtQuick
import Molvena
import QtQuick.Layouts

// One line of the side panel's checklist with its done mark.
RowLayout {
    id: line

    property string text
    property bool done

    spacing: 10

    SymbolIcon {
        name: line.done ? "checkmark.circle.fill" : "circle.dashed"
        color: line.done ? MolvenaTheme.green : Qt.rgba(1, 1, 1, 0.6)
        size: 16
    }
    MolvenaText {
        Layout.fillWidth: true
        text: line.text
        font.pixelSize: 14
        font.weight: Font.Medium
        color: line.done ? "white" : Qt.rgba(1, 1, 1, 0.75)
        wrapMode: Text.WordWrap
        Accessible.role: Accessible.StaticText
        Accessible.name: (line.done ? "Udført: " : "Mangler: ") + line.text
    }
}
