import QtQuick
import QtQuick.Layouts
import QtQuick.Templates as T

// A titled single-line field. The field always shows `text`: bind `text` to the owner's value and
// write the typed value back in `onEdited`; if the owner filters it (digits only, a length limit),
// the field shows the filtered value. With `secure` the typed characters are never drawn.
FocusScope {
    id: root

    property string title
    property string placeholder
    property string text
    property bool secure: false
    // Optional short texts inside the field before and after the input ("kr.", "/ md.").
    property string prefix
    property string suffix
    property alias inputMethodHints: input.inputMethodHints
    readonly property alias displayText: input.displayText
    readonly property alias input: input

    // The user changed the text; `text` is what the field now holds.
    signal edited(string text)
    signal accepted

    implicitWidth: 240
    implicitHeight: column.implicitHeight
    Layout.fillWidth: true
    activeFocusOnTab: true
    // The field inside speaks for the whole: it takes an Accessible.name given here, else the title.
    Accessible.ignored: true

    // What the input holds: the text, or for a secure field one bullet per character, so that
    // neither the screen nor accessibility nor the clipboard ever has the secret itself.
    readonly property string shown: secure ? "•".repeat(text.length) : text

    // The secret after the user edited its bullets: the characters typed between the untouched
    // bullets before the cursor and those after it.
    function secretAfterEdit(edited: string): string {
        let before = 0;
        while (before < edited.length && edited[before] === "•" && before < input.cursorPosition)
            ++before;
        before = Math.min(before, root.text.length);
        let after = 0;
        while (after < edited.length - before && edited[edited.length - 1 - after] === "•"
               && after < root.text.length - before)
            ++after;
        return root.text.slice(0, before) + edited.slice(before, edited.length - after)
                + root.text.slice(root.text.length - after);
    }

    onShownChanged: if (input.text !== shown) input.text = shown
    Component.onCompleted: input.text = shown

    ColumnLayout {
        id: column
        anchors.fill: parent
        spacing: 7

        Text {
            visible: root.title !== ""
            text: root.title
            color: MolvenaTheme.muted
            font.family: MolvenaTheme.fontFamily
            font.pixelSize: 12
            font.weight: Font.DemiBold
            Accessible.ignored: true
        }

        Rectangle {
            Layout.fillWidth: true
            Layout.preferredHeight: 44
            radius: 11
            color: "white"
            border.width: 1
            border.color: input.activeFocus ? MolvenaTheme.withOpacity(MolvenaTheme.blue, 0.55) : MolvenaTheme.line

            TapHandler {
                onTapped: input.forceActiveFocus(Qt.MouseFocusReason)
            }

            RowLayout {
                anchors.fill: parent
                anchors.leftMargin: 14
                anchors.rightMargin: 14
                spacing: 6

                Text {
                    visible: root.prefix !== ""
                    text: root.prefix
                    color: MolvenaTheme.muted
                    font.family: MolvenaTheme.fontFamily
                    font.pixelSize: 15
                    font.weight: Font.Medium
                    Accessible.ignored: true
                }

                T.TextField {
                    id: input
                    Layout.fillWidth: true
                    // The whole height of the box takes the click, not only the line of text.
                    Layout.fillHeight: true
                    focus: true
                    padding: 0
                    color: MolvenaTheme.ink
                    selectionColor: MolvenaTheme.withOpacity(MolvenaTheme.blue, 0.25)
                    selectedTextColor: MolvenaTheme.ink
                    placeholderTextColor: MolvenaTheme.withOpacity(MolvenaTheme.muted, 0.7)
                    font.family: MolvenaTheme.fontFamily
                    font.pixelSize: 15
                    font.weight: Font.Medium
                    verticalAlignment: TextInput.AlignVCenter
                    selectByMouse: true
                    implicitHeight: contentHeight
                    Accessible.role: Accessible.EditableText
                    Accessible.name: root.Accessible.name !== "" ? root.Accessible.name : root.title
                    // No passwordEdit: Qt 6.4 then hides the field's name, and the input holds
                    // bullets only, so there is nothing to hide.
                    // The unit around the input and the example inside it, as a sighted user sees them.
                    Accessible.description: (root.prefix + " " + root.placeholder + " " + root.suffix).trim()

                    // Any change the owner did not make is the user's: typed keys, or text a
                    // screen reader sets through the field's editable text.
                    onTextChanged: {
                        if (text === root.shown)
                            return;
                        root.edited(root.secure ? root.secretAfterEdit(text) : text)
                        // Whatever the owner kept (or nothing, if it kept nothing) is what shows.
                        if (text !== root.shown)
                            text = root.shown
                    }
                    onAccepted: root.accepted()

                    Text {
                        anchors.fill: parent
                        verticalAlignment: Text.AlignVCenter
                        visible: input.text === "" && input.preeditText === ""
                        text: root.placeholder
                        color: input.placeholderTextColor
                        font: input.font
                        elide: Text.ElideRight
                        Accessible.ignored: true
                    }
                }

                Text {
                    visible: root.suffix !== ""
                    text: root.suffix
                    color: MolvenaTheme.muted
                    font.family: MolvenaTheme.fontFamily
                    font.pixelSize: 15
                    font.weight: Font.Medium
                    Accessible.ignored: true
                }
            }
        }
    }
}
