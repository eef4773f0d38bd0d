import QtQuick
import QtQuick.Shapes

// The shield outline drawn into the item's own rectangle (origin 0,0): straight shoulders and sides,
// two quadratic curves down to the point.
Shape {
    id: shield

    property color fillColor: "transparent"
    property color strokeColor: "transparent"
    property real strokeWidth: 0

    readonly property point topPoint: Qt.point(width / 2, 0)
    readonly property point rightShoulder: Qt.point(0.9 * width, 0.16 * height)
    readonly property point rightWaist: Qt.point(0.82 * width, 0.65 * height)
    readonly property point rightControl: Qt.point(0.73 * width, 0.88 * height)
    readonly property point bottomPoint: Qt.point(width / 2, height)
    readonly property point leftControl: Qt.point(0.27 * width, 0.88 * height)
    readonly property point leftWaist: Qt.point(0.18 * width, 0.65 * height)
    readonly property point leftShoulder: Qt.point(0.1 * width, 0.16 * height)

    implicitWidth: 29
    implicitHeight: 34
    // Curves stay smooth at small sizes only with multisampling.
    layer.enabled: true
    layer.samples: 4
    layer.smooth: true

    ShapePath {
        fillColor: shield.fillColor
        strokeColor: shield.strokeWidth > 0 ? shield.strokeColor : "transparent"
        strokeWidth: shield.strokeWidth
        joinStyle: ShapePath.RoundJoin
        capStyle: ShapePath.RoundCap

        startX: shield.topPoint.x
        startY: shield.topPoint.y
        PathLine { x: shield.rightShoulder.x; y: shield.rightShoulder.y }
        PathLine { x: shield.rightWaist.x; y: shield.rightWaist.y }
        PathQuad {
            x: shield.bottomPoint.x; y: shield.bottomPoint.y
            controlX: shield.rightControl.x; controlY: shield.rightControl.y
        }
        PathQuad {
            x: shield.leftWaist.x; y: shield.leftWaist.y
            controlX: shield.leftControl.x; controlY: shield.leftControl.y
        }
        PathLine { x: shield.leftShoulder.x; y: shield.leftShoulder.y }
        PathLine { x: shield.topPoint.x; y: shield.topPoint.y }
    }
}
