import QtQuick
import Molvena
import QtQuick.Layouts

// The row that offers a returning user to log in and fetch the existing account instead.
Rectangle {
    id: prompt

    property string roleLabel
    property color tint: MolvenaTheme.blue

    signal action

    implicitWidth: row.implicitWidth + 28
    implicitHeight: 62
    Layout.fillWidth: true
    radius: 15
    color: Qt.rgba(1, 1, 1, 0.82)
    border.width: 1
    border.color: MolvenaTheme.line

    RowLayout {
        id: row
        anchors.fill: parent
        anchors.leftMargin: 14
        anchors.rightMargin: 14
        spacing: 12

        Rectangle {
            Layout.preferredWidth: 38
            Layout.preferredHeight: 38
            radius: 19
            color: MolvenaTheme.withOpacity(prompt.tint, 0.1)
            SymbolIcon {
                anchors.centerIn: parent
                name: "person.crop.circle.badge.checkmark"
                color: prompt.tint
                size: 17
            }
        }

        ColumnLayout {
            Layout.fillWidth: true
            spacing: 2
            MolvenaText {
                Layout.fillWidth: true
                text: "Har du allerede en konto?"
                color: MolvenaTheme.navyDeep
                font.family: MolvenaTheme.fontFamily
                font.pixelSize: 13
                font.weight: Font.DemiBold
                elide: Text.ElideRight
            }
            MolvenaText {
                Layout.fillWidth: true
                text: "Log ind som " + prompt.roleLabel + " og hent din eksisterende Molvena-konto."
                color: MolvenaTheme.muted
                font.family: MolvenaTheme.fontFamily
                font.pixelSize: 11
                wrapMode: Text.WordWrap
                maximumLineCount: 2
                elide: Text.ElideRight
            }
        }

        MolvenaButton {
            id: login
            objectName: "existingAccountLogin"
            Layout.preferredHeight: 34
            implicitWidth: implicitContentWidth + leftPadding + rightPadding
            leftPadding: 13
            rightPadding: 13
            text: "Log ind"
            Accessible.name: "Log ind som " + prompt.roleLabel
            onClicked: prompt.action()

            contentItem: Text {
                text: login.text
                color: prompt.tint
                font.family: MolvenaTheme.fontFamily
                font.pixelSize: 12
                font.weight: Font.DemiBold
                horizontalAlignment: Text.AlignHCenter
                verticalAlignment: Text.AlignVCenter
            }
            background: Rectangle {
                radius: 10
                color: MolvenaTheme.withOpacity(prompt.tint, login.pressed ? 0.16 : 0.08)
                border.width: login.visualFocus ? 2 : 0
                border.color: MolvenaTheme.withOpacity(prompt.tint, 0.45)
            }
        }
    }
}
