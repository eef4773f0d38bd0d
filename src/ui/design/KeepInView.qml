import QtQuick

// Scrolls `flickable` so that the control with the keyboard focus, or an item asked for with
// `reveal`, is inside its visible part: a field Tab lands on below the fold, an error that appears
// under a long form.
Item {
    id: keeper

    required property Flickable flickable
    property real margin: 24

    function reveal(item: Item) {
        let inside = false;
        for (let at = item; at; at = at.parent) {
            if (at === keeper.flickable.contentItem) {
                inside = true;
                break;
            }
        }
        if (!inside || !item.visible)
            return;
        const box = item.mapToItem(keeper.flickable.contentItem, 0, 0, item.width, item.height);
        let y = keeper.flickable.contentY;
        if (box.y + box.height + keeper.margin > y + keeper.flickable.height)
            y = box.y + box.height + keeper.margin - keeper.flickable.height;
        if (box.y - keeper.margin < y)
            y = box.y - keeper.margin;
        keeper.flickable.contentY = Math.max(0, Math.min(y, keeper.flickable.contentHeight - keeper.flickable.height));
    }

    // Reveals these items, and the focused control unless a click put the focus there, once the
    // layout has caught up with the change that asked for it.
    function revealLater(items: var) {
        keeper.waiting = items;
        later.restart();
    }

    property var waiting: []

    width: 0
    height: 0

    Timer {
        id: later
        interval: 0
        onTriggered: {
            const focused = keeper.Window.activeFocusItem;
            if (focused && focused.focusReason !== Qt.MouseFocusReason)
                keeper.reveal(focused);
            for (const item of keeper.waiting)
                keeper.reveal(item);
            keeper.waiting = [];
        }
    }

    Connections {
        target: keeper.Window.window
        function onActiveFocusItemChanged() {
            // Once the focus has arrived and knows why: a click is on something already in view,
            // and moving the page under the pointer between press and release would lose it.
            later.restart();
        }
    }
}
