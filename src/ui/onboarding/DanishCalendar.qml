pragma ComponentBehavior: Bound

import QtQuick
import Molvena
import QtQuick.Layouts

// A month calendar in Danish that offers days up to and including `maximumDate`. Each day is a
// button named with its date; Tab reaches the day the keyboard is on, the arrow keys move it by a
// day or a week, Home and End to the month's first and last day, Page Up and Page Down by a month.
Rectangle {
    id: calendar

    property date selectedDate
    property date maximumDate
    property int shownMonth: selectedDate.getMonth()
    property int shownYear: selectedDate.getFullYear()
    // The day the keyboard is on, always within the shown month and never after `maximumDate`.
    property date currentDate: selectedDate
    readonly property var danish: Qt.locale("da_DK")
    readonly property bool atLastMonth: shownYear > maximumDate.getFullYear()
                                         || (shownYear === maximumDate.getFullYear() && shownMonth >= maximumDate.getMonth())
    // The Monday on or before the first of the shown month: the grid's first cell.
    readonly property date firstCell: {
        const first = new Date(shownYear, shownMonth, 1);
        return new Date(shownYear, shownMonth, 1 - (first.getDay() + 6) % 7);
    }
    signal picked(date date)

    // Days go in untyped: qmllint 6.4 crashes on functions with a `date` parameter.
    function dayKey(day): int {
        return day.getFullYear() * 10000 + day.getMonth() * 100 + day.getDate();
    }

    function isPickable(day): bool {
        return dayKey(day) <= dayKey(maximumDate);
    }

    function stepMonth(delta: int) {
        const first = new Date(shownYear, shownMonth + delta, 1);
        shownYear = first.getFullYear();
        shownMonth = first.getMonth();
        const lastDay = new Date(shownYear, shownMonth + 1, 0).getDate();
        const day = new Date(shownYear, shownMonth, Math.min(currentDate.getDate(), lastDay));
        currentDate = isPickable(day) ? day : maximumDate;
    }

    // Moves the keyboard to `day` (or the last day that may be picked) and shows its month.
    function moveTo(day) {
        const target = isPickable(day) ? day : new Date(maximumDate.getFullYear(), maximumDate.getMonth(),
                                                         maximumDate.getDate());
        currentDate = target;
        shownYear = target.getFullYear();
        shownMonth = target.getMonth();
        const cell = days.itemAt(Math.round((target - firstCell) / 86400000));
        if (cell)
            cell.forceActiveFocus(Qt.TabFocusReason);
    }

    function handleKey(event: var, day) {
        const y = day.getFullYear(), m = day.getMonth(), d = day.getDate();
        const moves = {
            [Qt.Key_Left]: () => new Date(y, m, d - 1),
            [Qt.Key_Right]: () => new Date(y, m, d + 1),
            [Qt.Key_Up]: () => new Date(y, m, d - 7),
            [Qt.Key_Down]: () => new Date(y, m, d + 7),
            [Qt.Key_Home]: () => new Date(y, m, 1),
            [Qt.Key_End]: () => new Date(y, m + 1, 0),
            [Qt.Key_PageUp]: () => new Date(y, m - 1, Math.min(d, new Date(y, m, 0).getDate())),
            [Qt.Key_PageDown]: () => new Date(y, m + 1, Math.min(d, new Date(y, m + 2, 0).getDate()))
        };
        const move = moves[event.key];
        if (move) {
            calendar.moveTo(move());
            event.accepted = true;
        }
    }

    implicitWidth: 320
    implicitHeight: layout.implicitHeight + 24
    radius: 14
    color: MolvenaTheme.card
    border.color: MolvenaTheme.line
    border.width: 1
    Accessible.role: Accessible.Grouping
    Accessible.name: "Kalender"

    ColumnLayout {
        id: layout
        anchors.fill: parent
        anchors.margins: 12
        spacing: 6

        RowLayout {
            Layout.fillWidth: true

            CalendarArrow {
                symbol: "chevron.left"
                accessibleName: "Forrige måned"
                onClicked: calendar.stepMonth(-1)
            }
            MolvenaText {
                Layout.fillWidth: true
                horizontalAlignment: Text.AlignHCenter
                text: calendar.danish.standaloneMonthName(calendar.shownMonth, Locale.LongFormat) + " " + calendar.shownYear
                font.pixelSize: 14
                font.weight: Font.Bold
                color: MolvenaTheme.navyDeep
                Accessible.role: Accessible.Heading
            }
            CalendarArrow {
                symbol: "chevron.right"
                accessibleName: "Næste måned"
                enabled: !calendar.atLastMonth
                onClicked: calendar.stepMonth(1)
            }
        }

        Grid {
            id: grid
            Layout.fillWidth: true
            columns: 7
            spacing: 2
            readonly property real cellWidth: (width - 6 * spacing) / 7

            Repeater {
                // Monday first.
                model: 7
                delegate: MolvenaText {
                    required property int index
                    width: grid.cellWidth
                    text: calendar.danish.dayName((index + 1) % 7, Locale.ShortFormat)
                    horizontalAlignment: Text.AlignHCenter
                    font.pixelSize: 11
                    font.weight: Font.DemiBold
                    color: MolvenaTheme.muted
                }
            }
            Repeater {
                id: days
                // Six weeks, whatever the month.
                model: 42
                delegate: CalendarDay {
                    width: grid.cellWidth
                    calendar: calendar
                }
            }
        }
    }
}
