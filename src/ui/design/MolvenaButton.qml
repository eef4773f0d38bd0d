import QtQuick
import QtQuick.Templates as T

// What every button shares: Tab reaches it; Space, Return, Enter and a screen reader's press act as
// a click (never while disabled); its accessible name is its text unless the button names itself.
T.Button {
    id: control

    function activate() {
        if (control.enabled)
            control.clicked();
    }

    focusPolicy: Qt.StrongFocus
    Accessible.role: Accessible.Button
    Accessible.name: text
    // Qt 6.4 never reports a Qt Quick control as disabled; the description says it instead.
    Accessible.description: control.enabled ? "" : "Ikke tilgængelig"
    Accessible.onPressAction: control.activate()
    Keys.onReturnPressed: control.activate()
    Keys.onEnterPressed: control.activate()
}
