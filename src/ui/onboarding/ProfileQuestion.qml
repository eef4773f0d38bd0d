import QtQuick
import Molvena
import QtQuick.Layouts

// One question of the gambling profile: an icon, the question, a hint, then its answer controls.
ColumnLayout {
    id: question

    required property string icon
    required property string question
    required property string hint
    default property alias answer: answerArea.data

    spacing: 10

    RowLayout {
        spacing: 12

        Rectangle {
            implicitWidth: 34
            implicitHeight: 34
            radius: 10
            color: MolvenaTheme.blueSoft

            SymbolIcon {
                anchors.centerIn: parent
                name: question.icon
                color: MolvenaTheme.blue
                size: 16
            }
        }
        ColumnLayout {
            spacing: 1

            MolvenaText {
                text: question.question
                font.pixelSize: 15
                font.weight: Font.Bold
                color: MolvenaTheme.navyDeep
                Accessible.role: Accessible.Heading
                Accessible.name: text
            }
            MolvenaText {
                text: question.hint
                font.pixelSize: 12
                color: MolvenaTheme.muted
            }
        }
    }

    ColumnLayout {
        id: answerArea
        Layout.fillWidth: true
        spacing: 10
    }
}
