import QtQuick

// A sheet or menu over the screen: while shown it takes the keyboard focus, Tab and Shift+Tab go
// round the controls inside it only, and Escape asks it to close. Focus returns to where it was
// when the scope goes away.
FocusScope {
    id: scope

    // Whether Escape closes it; a sheet in the middle of its work may refuse.
    property bool closable: true
    property Item returnFocusTo: null
    property Item lastFocused: null

    signal closeRequested

    function inside(item: Item): bool {
        for (let at = item; at; at = at.parent) {
            if (at === scope)
                return true;
        }
        return false;
    }

    // The controls inside in Tab order.
    function focusChain(): var {
        const chain = [];
        let at = scope.nextItemInFocusChain(true);
        // The chain is a ring: stop where it comes round again.
        for (let steps = 0; at && scope.inside(at) && steps < 500; ++steps) {
            if (chain.length > 0 && at === chain[0])
                break;
            chain.push(at);
            at = at.nextItemInFocusChain(true);
        }
        return chain;
    }

    function enter() {
        const chain = scope.focusChain();
        if (chain.length > 0)
            chain[0].forceActiveFocus(Qt.TabFocusReason);
        else
            scope.forceActiveFocus();
    }

    // Focus walked out of the scope: bring it back in at the other end.
    function keepFocus() {
        const focused = scope.Window.activeFocusItem;
        if (!scope.visible || !focused)
            return;
        if (scope.inside(focused)) {
            scope.lastFocused = focused;
            return;
        }
        // Another sheet opened over this one holds the focus now.
        for (let at = focused; at; at = at.parent) {
            if (at.keepFocus !== undefined && at.visible)
                return;
        }
        const chain = scope.focusChain();
        if (chain.length === 0)
            return;
        const backwards = scope.lastFocused !== null && scope.lastFocused.nextItemInFocusChain(false) === focused;
        const target = backwards ? chain[chain.length - 1] : chain[0];
        target.forceActiveFocus(backwards ? Qt.BacktabFocusReason : Qt.TabFocusReason);
    }

    focus: true
    Keys.onEscapePressed: event => {
        event.accepted = true;
        if (scope.closable)
            scope.closeRequested();
    }

    onVisibleChanged: {
        if (visible) {
            scope.returnFocusTo = scope.Window.activeFocusItem;
            scope.enter();
        } else if (scope.returnFocusTo !== null) {
            scope.returnFocusTo.forceActiveFocus();
        }
    }
    Component.onCompleted: if (visible) {
        scope.returnFocusTo = scope.Window.activeFocusItem;
        entering.start();
    }
    Component.onDestruction: if (scope.returnFocusTo !== null && !scope.inside(scope.returnFocusTo))
        scope.returnFocusTo.forceActiveFocus()

    Connections {
        target: scope.Window.window
        function onActiveFocusItemChanged() {
            scope.keepFocus();
        }
    }

    // A scope made visible at creation takes the focus once the items inside it are complete.
    Timer {
        id: entering
        interval: 0
        onTriggered: scope.enter()
    }
}
