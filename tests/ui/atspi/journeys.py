#!/usr/bin/python3
"""Journeys through Molvena driven only as a screen reader drives it: over AT-SPI, finding controls
by role and name, pressing through their press action, typing through their editable text and reading
results by name. Each journey is a function of the app's process id; run-journeys.sh starts the
display, the accessibility bus, the reference backend and the apps around it.

    journeys.py JOURNEY PID [ARGS...]
"""
import sys
import time
import warnings

import gi

gi.require_version("Atspi", "2.0")
from gi.repository import Atspi, GLib  # noqa: E402

# The per-interface getters this Debian release ships are marked deprecated; they still work.
warnings.simplefilter("ignore", DeprecationWarning)

CONTROL_ROLES = {"push button", "link", "text", "password text", "check box", "radio button", "list item"}


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


def find(app, role, name, timeout=15, exact=True):
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


def wait_for(app, role, name, timeout=20, exact=True):
    return find(app, role, name, timeout, exact)


def press(app, name, role="push button", exact=True, timeout=15):
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


def text_of(node):
    iface = node.get_text_iface()
    return iface.get_text(0, iface.get_character_count()) if iface else ""


def check(condition, message):
    if not condition:
        raise Failure(message)


# A new player: role, account, pattern, then the protection setup; prints the pairing code it was
# shown so the relative's journey can use it.
def player_onboarding(pid):
    app = app_of(pid)
    press(app, "Jeg vil være molvena")
    wait_for(app, "heading", "Opret din beskyttelse")
    type_into(app, "Navn", "Anna Jensen")
    type_into(app, "E-mail", "anna@example.dk")
    type_into(app, "4-cifret Master PIN", "1234")
    pin = find(app, "text", "4-cifret Master PIN")
    check("1234" not in text_of(pin) and "1234" not in (pin.get_name() or ""), "the PIN reads back in clear")
    code = find(app, "label", "Pårørende-kode ", exact=False).get_name().split("kode ", 1)[1].replace(" ", "")
    press(app, "Fortsæt")
    wait_for(app, "heading", "Fortæl lidt om dig")
    press(app, "Online", role="check box")
    press(app, "Poker", role="check box")
    type_into(app, "Månedligt beløb i kroner", "1500")
    press(app, "I dag", role="check box")
    press(app, "Fortsæt til beskyttelse")
    wait_for(app, "heading", "Gør din computer\nklar til Molvena.")
    print(f"pairing-code={code}")


# A relative pairs with the player's code and reads the overview: the player's name and days.
def relative_pairing(pid, code, player_name):
    app = app_of(pid)
    press(app, "Jeg er pårørende")
    wait_for(app, "heading", "Forbind til den,\ndu støtter")
    type_into(app, "Pårørende-kode", code)
    type_into(app, "Din e-mail", "mor@example.dk")
    press(app, "Forbind som pårørende")
    wait_for(app, "label", player_name, timeout=30)
    wait_for(app, "label", "dage", exact=False)
    wait_for(app, "heading", "Seneste hændelser")


# The same player, from the protection setup to the dashboard, then a new Master PIN in the
# settings window; the outcome is read from the screen (the script checks the server's database).
def player_changes_pin(pid):
    app = app_of(pid)
    press(app, "Aktivér automatisk start")
    press(app, "Menu", timeout=30)
    press(app, "Indstillinger…", role=None)
    press(app, "Master PIN", role="list item")
    type_into(app, "Nuværende PIN", "1234")
    type_into(app, "Ny PIN", "4321")
    type_into(app, "Gentag ny PIN", "4321")
    press(app, "Gem ny PIN")
    wait_for(app, None, "Din Master PIN er opdateret.", timeout=20)
    press(app, "Luk indstillinger")


if __name__ == "__main__":
    journey, pid, *rest = sys.argv[1:]
    try:
        globals()[journey](int(pid), *rest)
    except Failure as failure:
        print(f"FAIL {journey}: {failure}", file=sys.stderr)
        sys.exit(1)
    print(f"PASS {journey}")
