import QtQuick
import QtQuick.Shapes

// A small progress spinner: a three-quarter ring turning once a second while it is visible.
Item {
    id: spinner

    property color color: MolvenaTheme.muted
    property real size: 14

    implicitWidth: size
    implicitHeight: size
    Accessible.role: Accessible.Indicator
    Accessible.name: "Arbejder…"

    Shape {
        id: ring
        anchors.fill: parent
        layer.enabled: true
        layer.samples: 4

        ShapePath {
            fillColor: "transparent"
            strokeColor: spinner.color
            strokeWidth: Math.max(1.5, spinner.size / 8)
            capStyle: ShapePath.RoundCap
            PathAngleArc {
                centerX: spinner.size / 2
                centerY: spinner.size / 2
                radiusX: spinner.size / 2 - Math.max(1.5, spinner.size / 8)
                radiusY: radiusX
                startAngle: 0
                sweepAngle: 270
            }
        }

        RotationAnimator on rotation {
            from: 0
            to: 360
            duration: 1000
            loops: Animation.Infinite
            // Nothing turns (and no frame is drawn) while the spinner is hidden.
            running: spinner.visible
        }
    }
}
