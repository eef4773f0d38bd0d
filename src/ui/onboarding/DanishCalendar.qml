pragma ComponentBehavior: Bound

import QtQuick
import Molvena
import QtQuick.Layouts
import QtQuick.Controls.Basic

// A month calendar in Danish that offers days up to and including `maximumDate`.
Rectangle {
    id: calendar

    property date selectedDate
    property date maximumDate
    property int shownMonth: selectedDate.getMonth()
    property int shownYear: selectedDate.getFullYear()
    readonly property var danish: Qt.locale("da_DK")
    readonly property bool atLastMonth: shownYear > maximumDate.getFullYear()
                                         || (shownYear === maximumDate.getFullYear() && shownMonth >= maximumDate.getMonth())
    signal picked(date date)

    function stepMonth(delta: int) {
        const first = new Date(shownYear, shownMonth + delta, 1);
        shownYear = first.getFullYear();
        shownMonth = first.getMonth();
    }

    implicitWidth: 320
    implicitHeight: layout.implicitHeight + 24
    radius: 14
    color: MolvenaTheme.card
    border.color: MolvenaTheme.line
    border.width: 1

    ColumnLayout {
        id: layout
        anchors.fill: parent
        anchors.margins: 12
        spacing: 6

        RowLayout {
            Layout.fillWidth: true

            CalendarArrow {
                icon: "chevron.left"
                accessibleName: "Forrige måned"
                onClicked: calendar.stepMonth(-1)
            }
            Text {
                Layout.fillWidth: true
                horizontalAlignment: Text.AlignHCenter
                text: calendar.danish.standaloneMonthName(calendar.shownMonth, Locale.LongFormat) + " " + calendar.shownYear
                font.pixelSize: 14
                font.weight: Font.Bold
                color: MolvenaTheme.navyDeep
            }
            CalendarArrow {
                icon: "chevron.right"
                accessibleName: "Næste måned"
                enabled: !calendar.atLastMonth
                onClicked: calendar.stepMonth(1)
            }
        }

        DayOfWeekRow {
            Layout.fillWidth: true
            delegate: Text {
                required property string shortName
                text: shortName
                horizontalAlignment: Text.AlignHCenter
                font.pixelSize: 11
                font.weight: Font.DemiBold
                color: MolvenaTheme.muted
            }
        }

        MonthGrid {
            id: grid
            Layout.fillWidth: true
            // The grid sizes its days from its own height: six weeks of 32-point rows.
            Layout.preferredHeight: 6 * 32 + 5 * spacing
            month: calendar.shownMonth
            year: calendar.shownYear
            spacing: 2

            delegate: Rectangle {
                id: day
                required property var model
                readonly property bool future: day.model.date > calendar.maximumDate
                readonly property bool chosen: day.model.date.getFullYear() === calendar.selectedDate.getFullYear()
                                               && day.model.date.getMonth() === calendar.selectedDate.getMonth()
                                               && day.model.date.getDate() === calendar.selectedDate.getDate()
                implicitWidth: 40
                implicitHeight: 32
                radius: 8
                color: chosen ? MolvenaTheme.blue : (dayPointer.containsMouse && !future ? MolvenaTheme.blueSoft : "transparent")
                visible: day.model.month === calendar.shownMonth
                readonly property string spokenDate: calendar.danish.toString(day.model.date, "d. MMMM yyyy")
                function choose() {
                    if (!day.future)
                        calendar.picked(day.model.date);
                }
                Accessible.role: Accessible.Button
                Accessible.name: day.spokenDate
                Accessible.onPressAction: day.choose()

                Text {
                    anchors.centerIn: parent
                    text: day.model.day
                    font.pixelSize: 13
                    font.weight: day.chosen || day.model.today ? Font.Bold : Font.Normal
                    color: day.chosen ? "white" : (day.future ? MolvenaTheme.line : MolvenaTheme.ink)
                }
                MouseArea {
                    id: dayPointer
                    anchors.fill: parent
                    hoverEnabled: true
                    enabled: !day.future
                    onClicked: day.choose()
                }
            }
        }
    }
}
