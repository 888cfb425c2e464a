#!/usr/bin/python3
"""Reads the running program as a screen reader does: through pyatspi, the client
library of the AT-SPI accessibility bus. scripts/atspi-test.sh runs it as the ordinary
user, in a D-Bus session of its own on Xvfb; it enables the accessibility bus, starts
the program given on its command line and works it only through the bus:

  - the main window is a frame named Trevanto;
  - a leg typed into the entry boxes (EditableText) and included with the Press action
    of Incluir is announced: a listener receives the window's children-changed:add
    event and reads the new leg's name, "Trecho 1: 90º, 100 m"; Excluir announces the
    leg's children-changed:remove;
  - Incluir with empty boxes opens the refusal as an alert whose text can be read, and
    its OK closes it;
  - the help window reads its six lines top to bottom, then Fechar;
  - the Up key in the Zoom box steps the scale from 10 to 11;
  - FIM ends the program with status 0.

Every event the listener receives for Incluir and Excluir is printed. Exits 0 when every
check passed, 1 otherwise. TREVANTO_SMOKE_TIMEOUT: seconds to wait for each step.
"""

import os
import subprocess
import sys
import time

import gi

gi.require_version("Atspi", "2.0")
from gi.repository import Gio, GLib  # noqa: E402
import pyatspi  # noqa: E402

TIMEOUT = float(os.environ.get("TREVANTO_SMOKE_TIMEOUT", "30"))
LEG_NAME = "Trecho 1: 90\u00ba, 100 m"
REFUSAL = "Informe uma DIREÇÃO para incluir!"
HELP_READING = [
    'Digite na caixa "Direção" os graus de bússola na sequência correta de acordo com a planilha.',
    'Para cada grau de bússola digitado, informe na caixa "Metragem" a quantidade de metros '
    "que deve ser percorrida.",
    "Você pode arrastar o marco de início (quadrado vermelho) para melhor visualizar o gráfico.",
    "Para aumentar ou diminuir o gráfico utilize o comando de Zoom.",
    "Você também pode aumentar e diminuir a área de trabalho.",
    "Ao finalizar o programa automaticamente grava o seu trabalho.",
    "Fechar",
]
UP_KEYSYM = 0xFF52

failures = []
events = []


class Stop(Exception):
    """A step that the following ones need did not happen."""


def say(text):
    print(f"atspi-test: {text}", flush=True)


def check(ok, what, got=None):
    if ok:
        say(f"ok: {what}")
    else:
        failures.append(what)
        say(f"FAILED: {what}" + ("" if got is None else f" (got {got!r})"))
    return ok


def described(accessible):
    """Role and name of an object, read when the event arrives."""
    try:
        return f"{accessible.getRoleName()} {accessible.name!r}"
    except Exception:  # gone already: a removed child answers nothing
        return "(gone)"


def on_event(event):
    data = event.any_data
    if isinstance(data, pyatspi.Accessible):
        data = described(data)
    events.append((event.type, described(event.source), event.detail1, event.detail2, data))


def pump():
    context = GLib.MainContext.default()
    while context.pending():
        context.iteration(False)


def wait_for(what, probe):
    deadline = time.monotonic() + TIMEOUT
    while True:
        pump()
        try:
            found = probe()
        except Exception:  # an object going away while it is looked at
            found = None
        if found:
            return found
        if time.monotonic() > deadline:
            raise Stop(f"{what}: nothing after {TIMEOUT:g} s")
        time.sleep(0.05)


def children(accessible):
    return [accessible.getChildAtIndex(i) for i in range(accessible.childCount)]


def find(root, role, name=None):
    """The first object of `role` (and `name`) under root, breadth first."""
    queue = [root]
    while queue:
        accessible = queue.pop(0)
        if accessible is None:
            continue
        if accessible.getRole() == role and (name is None or accessible.name == name):
            return accessible
        queue.extend(children(accessible))
    return None


def press(accessible):
    action = accessible.queryAction()
    names = [action.getName(i) for i in range(action.nActions)]
    action.doAction(names.index("Press"))


def texts_under(accessible):
    found = [accessible.name, accessible.description]
    for child in children(accessible):
        if child is not None:
            found.extend(texts_under(child))
    return found


def show_events(what, since):
    say(f"events for {what}: {len(events) - since}")
    for kind, source, detail1, detail2, data in events[since:]:
        say(f"    {kind} | {source} | {detail1} {detail2} | {data}")


def enable_accessibility():
    """Sets the session's accessibility on, as a desktop with a screen reader does; the
    session bus starts the accessibility bus for it."""
    bus = Gio.bus_get_sync(Gio.BusType.SESSION, None)
    bus.call_sync("org.a11y.Bus", "/org/a11y/bus", "org.freedesktop.DBus.Properties", "Set",
                  GLib.Variant("(ssv)", ("org.a11y.Status", "IsEnabled", GLib.Variant("b", True))),
                  None, Gio.DBusCallFlags.NONE, int(TIMEOUT * 1000), None)


def top_level(app, role):
    return next((w for w in children(app) if w is not None and w.getRole() == role), None)


def run(program):
    enable_accessibility()
    for kind in ("object", "window", "focus"):
        pyatspi.Registry.registerEventListener(on_event, kind)

    environment = dict(os.environ, QT_QPA_PLATFORM="xcb")
    app_process = subprocess.Popen([program], env=environment, stdin=subprocess.DEVNULL)
    try:
        checks(app_process)
    finally:
        if app_process.poll() is None:
            app_process.terminate()
            try:
                app_process.wait(5)
            except subprocess.TimeoutExpired:
                app_process.kill()
                app_process.wait()


def checks(app_process):
    desktop = pyatspi.Registry.getDesktop(0)

    def our_app():
        for app in children(desktop):
            if app is not None and app.get_process_id() == app_process.pid and app.childCount > 0:
                return app
        if app_process.poll() is not None:
            raise Stop(f"the program ended with status {app_process.returncode}")
        return None

    app = wait_for("the program on the accessibility bus", our_app)
    window = app.getChildAtIndex(0)
    check(window.getRole() == pyatspi.ROLE_FRAME and window.name == "Trevanto",
          "the main window is a frame named Trevanto", f"{window.getRoleName()} {window.name!r}")

    bearing = find(window, pyatspi.ROLE_TEXT, "Direção do próximo trecho")
    distance = find(window, pyatspi.ROLE_TEXT, "Metragem do próximo trecho")
    include = find(window, pyatspi.ROLE_PUSH_BUTTON, "Incluir")
    delete = find(window, pyatspi.ROLE_PUSH_BUTTON, "Excluir")
    if not all((bearing, distance, include, delete)):
        raise Stop("the entry boxes, Incluir or Excluir are not in the window")

    # One leg, typed and included through the bus.
    bearing.queryEditableText().setTextContents("90")
    distance.queryEditableText().setTextContents("100")
    pump()
    since = len(events)
    press(include)

    def added():
        return next((e for e in events[since:] if e[0] == "object:children-changed:add"
                     and e[1] == "frame 'Trevanto'"), None)
    try:
        event = wait_for("the leg's announcement", added)
        time.sleep(0.3)
        pump()
        check(event[4] == f"label {LEG_NAME!r}", f"Incluir is announced with the leg's name {LEG_NAME}",
              event[4])
        # Qt 6.4 gives the window's new number of children as the event's detail, not
        # the new child's index: the leg is looked for among the children.
        check(any(c is not None and c.name == LEG_NAME for c in children(window)),
              "the new leg is a child of the window")
    except Stop as stop:
        check(False, f"Incluir is announced ({stop})")
    show_events("Incluir", since)

    since = len(events)
    press(delete)
    try:
        wait_for("the deletion's announcement", lambda: any(
            e[0] == "object:children-changed:remove" and e[1] == "frame 'Trevanto'" for e in events[since:]))
        time.sleep(0.3)
        pump()
        check(not any((c.name or "").startswith("Trecho") for c in children(window) if c is not None),
              "Excluir is announced and the leg is no longer a child of the window")
    except Stop as stop:
        check(False, f"Excluir is announced ({stop})")
    show_events("Excluir", since)

    # A refused entry: its message is an alert a screen reader can read.
    press(include)
    alert = wait_for("an alert for the empty boxes", lambda: top_level(app, pyatspi.ROLE_ALERT))
    check(REFUSAL in texts_under(alert), f"the refusal is an alert that reads \"{REFUSAL}\"",
          texts_under(alert))
    press(wait_for("the alert's OK", lambda: find(alert, pyatspi.ROLE_PUSH_BUTTON, "OK")))
    wait_for("the alert closing", lambda: top_level(app, pyatspi.ROLE_ALERT) is None)

    # The help, in reading order.
    press(find(window, pyatspi.ROLE_PUSH_BUTTON, "Ajuda..."))
    help_window = wait_for("the help window", lambda: top_level(app, pyatspi.ROLE_DIALOG))
    reading = [c.name for c in children(help_window) if c is not None]
    say("the help reads: " + " | ".join(reading))
    check(reading == HELP_READING, "the help reads its six lines top to bottom, then Fechar")
    press(find(help_window, pyatspi.ROLE_PUSH_BUTTON, "Fechar"))
    wait_for("the help closing", lambda: top_level(app, pyatspi.ROLE_DIALOG) is None)

    # Up in the Zoom box, sent as a key through the client library.
    zoom = find(window, pyatspi.ROLE_TEXT, "Zoom")
    zoom_text = zoom.queryText()
    before = zoom_text.getText(0, -1)
    component = zoom.queryComponent()
    x, y, width, height = component.getExtents(pyatspi.DESKTOP_COORDS)
    pyatspi.Registry.generateMouseEvent(x + width // 2, y + height // 2, "b1c")
    wait_for("the Zoom box taking the focus", lambda: zoom.getState().contains(pyatspi.STATE_FOCUSED))
    pyatspi.Registry.generateKeyboardEvent(UP_KEYSYM, None, pyatspi.KEY_SYM)
    try:
        wait_for("the scale stepping", lambda: zoom_text.getText(0, -1) != before)
    except Stop:
        pass
    after = zoom_text.getText(0, -1)
    check((before, after) == ("10", "11"), "Up in the Zoom box steps the scale from 10 to 11", (before, after))

    press(find(window, pyatspi.ROLE_PUSH_BUTTON, "FIM"))
    try:
        status = app_process.wait(TIMEOUT)
    except subprocess.TimeoutExpired:
        status = None
    check(status == 0, "FIM ends the program with status 0", status)


def main():
    if len(sys.argv) != 2:
        print("usage: atspi-check.py PROGRAM", file=sys.stderr)
        return 2
    try:
        run(sys.argv[1])
    except Stop as stop:
        check(False, str(stop))
    except GLib.Error as error:
        check(False, f"the accessibility bus: {error.message}")
    if failures:
        say(f"{len(failures)} check(s) failed")
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
