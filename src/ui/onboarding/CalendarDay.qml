import QtQuick
import Molvena

// One day of the calendar: a button named with its date ("7. december 2026"), shown only in its
// own month, disabled after the last day that may be picked.
MolvenaButton {
    id: day

    required property int index
    // The calendar this day belongs to (untyped: the calendar is made of its days).
    required property var calendar
    readonly property date date: new Date(calendar.firstCell.getFullYear(), calendar.firstCell.getMonth(),
                                          calendar.firstCell.getDate() + index)
    readonly property bool chosen: calendar.dayKey(date) === calendar.dayKey(calendar.selectedDate)
    readonly property bool current: calendar.dayKey(date) === calendar.dayKey(calendar.currentDate)
    readonly property bool today: calendar.dayKey(date) === calendar.dayKey(new Date())

    objectName: "day_" + date.getDate()
    visible: date.getMonth() === calendar.shownMonth
    enabled: calendar.isPickable(date)
    // Tab stops at one day only; the arrow keys walk from there.
    focusPolicy: current || activeFocus ? Qt.StrongFocus : Qt.ClickFocus
    implicitHeight: 32
    text: date.toLocaleDateString(calendar.danish, "d. MMMM yyyy")
    onClicked: calendar.picked(date)
    onActiveFocusChanged: if (activeFocus)
        calendar.currentDate = date
    Keys.onPressed: event => calendar.handleKey(event, day.date)

    background: Rectangle {
        radius: 8
        color: day.chosen ? MolvenaTheme.blue : (day.hovered && day.enabled ? MolvenaTheme.blueSoft : "transparent")
        border.width: day.visualFocus ? 2 : 0
        border.color: MolvenaTheme.withOpacity(MolvenaTheme.blue, 0.6)
    }
    contentItem: Text {
        text: day.date.getDate()
        horizontalAlignment: Text.AlignHCenter
        verticalAlignment: Text.AlignVCenter
        font.pixelSize: 13
        font.weight: day.chosen || day.today ? Font.Bold : Font.Normal
        color: day.chosen ? "white" : (day.enabled ? MolvenaTheme.ink : MolvenaTheme.line)
    }
}
