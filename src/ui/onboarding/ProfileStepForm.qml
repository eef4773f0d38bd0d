pragma ComponentBehavior: Bound

import QtQuick
import Molvena
import QtQuick.Layouts

// Onboarding step 2: where, what, how much and when the player last gambled.
ColumnLayout {
    id: form

    required property PlayerSetupViewModel viewModel

    spacing: 22

    ProfileQuestion {
        Layout.fillWidth: true
        icon: "mappin.and.ellipse"
        question: "Hvor foregår dit spil typisk?"
        hint: "Vælg det, der passer bedst."

        RowLayout {
            Layout.fillWidth: true
            spacing: 10

            Repeater {
                model: form.viewModel.locationOptions

                delegate: ChoiceTile {
                    id: location
                    required property var modelData
                    objectName: "location_" + modelData.raw
                    Layout.fillWidth: true
                    text: modelData.label
                    icon: modelData.icon
                    selected: form.viewModel.gamblingLocationType === location.modelData.raw
                    onClicked: form.viewModel.selectLocation(location.modelData.raw)
                }
            }
        }
    }

    ProfileQuestion {
        Layout.fillWidth: true
        icon: "die.face.5.fill"
        question: "Hvad spiller du mest?"
        hint: "Vælg gerne flere."

        // Columns of at least 138 points, wide enough that no game type is cut off.
        TextMetrics {
            id: widestGameType
            font.family: MolvenaTheme.fontFamily
            font.pixelSize: 14
            font.weight: Font.DemiBold
            text: "Casino / spilleautomater"
        }
        GridLayout {
            id: chips
            readonly property real columnWidth: Math.max(138, widestGameType.advanceWidth + 56)
            Layout.fillWidth: true
            columns: Math.max(1, Math.floor((width + columnSpacing) / (columnWidth + columnSpacing)))
            columnSpacing: 9
            rowSpacing: 9

            Repeater {
                model: form.viewModel.gameTypes

                delegate: ChoiceTile {
                    id: game
                    required property string modelData
                    objectName: "game_" + modelData
                    Layout.fillWidth: true
                    Layout.preferredWidth: chips.columnWidth
                    text: modelData
                    compact: true
                    icon: selected ? "checkmark.circle.fill" : "circle"
                    // Reading the list ties the binding to its changes.
                    selected: form.viewModel.selectedGameTypes.length > 0 && form.viewModel.isGameTypeSelected(game.modelData)
                    onClicked: form.viewModel.toggleGameType(game.modelData)
                }
            }
        }
    }

    ProfileQuestion {
        Layout.fillWidth: true
        icon: "chart.line.uptrend.xyaxis"
        question: "Hvor meget spillede du typisk om måneden?"
        hint: "Det bruger vi til at vise, hvor meget du sparer, når du er molvena."

        MolvenaTextField {
            objectName: "spendField"
            Layout.fillWidth: false
            Layout.preferredWidth: 320
            prefix: "kr."
            suffix: "/ md."
            placeholder: "fx 1.500"
            inputMethodHints: Qt.ImhDigitsOnly
            text: form.viewModel.monthlySpendText
            onEdited: value => form.viewModel.monthlySpendText = value
            Accessible.name: "Månedligt beløb i kroner"
        }
    }

    ProfileQuestion {
        Layout.fillWidth: true
        icon: "calendar.badge.clock"
        question: "Hvornår spillede du sidst?"
        hint: "Datoen er startpunktet for din molvena-tæller."

        RowLayout {
            spacing: 10

            ChoiceTile {
                objectName: "chooseToday"
                text: "I dag"
                icon: "sun.max.fill"
                compact: true
                selected: form.viewModel.isLastDateToday
                onClicked: form.viewModel.chooseToday()
            }
            ChoiceTile {
                objectName: "chooseDate"
                text: form.viewModel.dateButtonText
                icon: "calendar"
                compact: true
                selected: !form.viewModel.isLastDateToday
                onClicked: form.viewModel.toggleDatePicker()
            }
        }

        DanishCalendar {
            id: calendar
            objectName: "calendar"
            visible: form.viewModel.showDatePicker
            transform: Translate {
                id: calendarShift
            }
            onVisibleChanged: if (visible)
                calendarEntrance.restart()

            ParallelAnimation {
                id: calendarEntrance
                NumberAnimation {
                    target: calendar
                    property: "opacity"
                    from: 0
                    to: 1
                    duration: 180
                    easing.type: Easing.InOutQuad
                }
                NumberAnimation {
                    target: calendarShift
                    property: "y"
                    from: -10
                    to: 0
                    duration: 180
                    easing.type: Easing.InOutQuad
                }
            }
            selectedDate: form.viewModel.lastDate
            maximumDate: form.viewModel.today
            onPicked: date => form.viewModel.pickDate(date)
        }
    }
}
