#!/usr/bin/python3
"""journeys.py JOURNEY PID: Molvena driven only as a screen reader drives it, over AT-SPI
(controls found by role and name, pressed through their press action, results read by name);
run-journeys.sh starts the display, the accessibility bus, the backend and the apps around it.
"""
import sys
import time
import warnings

import gi

gi.require_version("Atspi", "2.0")
from gi.repository import Atspi, GLib  # noqa: E402

# The per-interface getters this Debian release ships are marked deprecated; they still work.
warnings.simplefilter("ignore", DeprecationWarning)


class Failure(Exception):
    pass


def app_of(pid, timeout=30):
    deadline = time.time() + timeout
    while time.time() < deadline:
        desktop = Atspi.get_desktop(0)
        for i in range(desktop.get_child_count()):
            app = desktop.get_child_at_index(i)
            if app is not None and app.get_process_id() == pid:
                return app
        time.sleep(0.3)
    raise Failure(f"no application with pid {pid} on the accessibility bus")


def walk(node, depth=0):
    if node is None or depth > 200:
        return
    try:
        # Below the fold a control is neither showing nor, for Qt 6.4, visible; a screen reader
        # still reaches it, so only what Qt leaves out of the tree is skipped.
        yield node
        for i in range(node.get_child_count()):
            yield from walk(node.get_child_at_index(i), depth + 1)
    except GLib.Error:
        return


def find(app, role, name, timeout=20, exact=True):
    """The first node of this role (any role for None) whose name is (or contains) `name`,
    waiting for it."""
    deadline = time.time() + timeout
    while time.time() < deadline:
        try:
            for node in walk(app):
                node_name = node.get_name() or ""
                if role in (None, node.get_role_name()) and (node_name == name if exact else name in node_name):
                    return node
        except GLib.Error:
            pass  # the screen changed under the walk: look again
        time.sleep(0.3)
    raise Failure(f"no {role or 'node'} named {name!r}; shown: {names(app)}")


def names(app):
    try:
        return sorted({f"{n.get_role_name()}:{n.get_name()}" for n in walk(app)
                       if n.get_name() and n.get_role_name() != "label"})
    except GLib.Error:
        return []


def press(app, name, role="push button", exact=True, timeout=20):
    node = find(app, role, name, timeout, exact)
    deadline = time.time() + 15
    while not node.get_state_set().contains(Atspi.StateType.SENSITIVE):
        if time.time() > deadline:
            raise Failure(f"{name!r} stays disabled")
        time.sleep(0.2)
    action = node.get_action_iface()
    for i in range(action.get_n_actions()):
        if action.get_action_name(i).lower() in ("press", "click", "toggle"):
            action.do_action(i)
            return
    raise Failure(f"{name!r} has no press action")


def type_into(app, field_name, text, role="text"):
    """Qt 6.4 offers no EditableText on Qt Quick fields: the field is focused through its
    accessible component, as a screen reader moves to it, and the text typed on the keyboard."""
    node = find(app, role, field_name)
    component = node.get_component_iface()
    deadline = time.time() + 10
    while not node.get_state_set().contains(Atspi.StateType.FOCUSED):
        if time.time() > deadline:
            raise Failure(f"field {field_name!r} does not take the focus")
        component.grab_focus()
        time.sleep(0.2)
    Atspi.generate_keyboard_event(0, text, Atspi.KeySynthType.STRING)
    time.sleep(0.3)


# A new player: role, account, pattern, then the protection setup.
def player_onboarding(pid):
    app = app_of(pid)
    press(app, "Jeg vil være molvena")
    find(app, "heading", "Opret din beskyttelse")
    type_into(app, "Navn", "Anna Jensen")
    type_into(app, "E-mail", "anna@example.dk")
    type_into(app, "4-cifret Master PIN", "1234")
    pin = find(app, "text", "4-cifret Master PIN")
    text = pin.get_text_iface()
    if "1234" in text.get_text(0, text.get_character_count()) + (pin.get_name() or ""):
        raise Failure("the PIN reads back in clear")
    press(app, "Fortsæt")
    find(app, "heading", "Fortæl lidt om dig")
    press(app, "Online", role="check box")
    press(app, "Poker", role="check box")
    type_into(app, "Månedligt beløb i kroner", "1500")
    press(app, "I dag", role="check box")
    press(app, "Fortsæt til beskyttelse")
    find(app, "heading", "Gør din computer\nklar til Molvena.")


if __name__ == "__main__":
    journey, pid = sys.argv[1:]
    try:
        globals()[journey](int(pid))
    except Failure as failure:
        print(f"FAIL {journey}: {failure}", file=sys.stderr)
        sys.exit(1)
    print(f"PASS {journey}")
