"""What a screen reader sees of the running tavlets, through AT-SPI (pyatspi; run with Debian's python3).

  a11y_probe.py tree          one line per object of interest, tab-separated:
                              label NAME | preview NAME | button NAME STATES | result NAME TEXT
  a11y_probe.py announce KEY  presses KEY (xdotool) and prints "focus NAME" for every object that
                              then gains focus, as a screen reader hears it
"""
import subprocess
import sys

import pyatspi
from gi.repository import GLib


def tavlets():
    desktop = pyatspi.Registry.getDesktop(0)
    for i in range(desktop.childCount):
        app = desktop.getChildAtIndex(i)
        if app is not None and app.name == "tavlets":
            return app
    sys.exit("tavlets is not on the accessibility bus")


def showing(node):
    return node.getState().contains(pyatspi.STATE_SHOWING)


def walk(node):
    yield node
    for i in range(node.childCount):
        child = node.getChildAtIndex(i)
        if child is not None:
            yield from walk(child)


def tree():
    for node in walk(tavlets()):
        if not showing(node):
            continue
        role = node.getRole()
        if role == pyatspi.ROLE_PUSH_BUTTON:
            state = node.getState()
            marks = [name for name, s in (("selected", pyatspi.STATE_SELECTED), ("focused", pyatspi.STATE_FOCUSED))
                     if state.contains(s)]
            print(f"button\t{node.name}\t{','.join(marks)}")
        elif role == pyatspi.ROLE_LABEL:
            kind = "preview" if node.description == "Clipboard preview" else "label"
            print(f"{kind}\t{node.name}")
        elif role == pyatspi.ROLE_TEXT:
            text = node.queryText()
            body = text.getText(0, text.characterCount).replace("\u2028", "\n").replace("\n", "\\n")
            print(f"result\t{node.name}\t{body}")


def announce(key):
    heard = []

    def on_focus(event):
        if event.detail1 == 1:
            heard.append(event.source.name)

    pyatspi.Registry.registerEventListener(on_focus, "object:state-changed:focused")
    GLib.timeout_add(300, lambda: subprocess.run(["xdotool", "key", key]) and False)
    GLib.timeout_add(1500, lambda: pyatspi.Registry.stop() or False)
    pyatspi.Registry.start()
    for name in heard:
        print(f"focus\t{name}")


if __name__ == "__main__":
    if sys.argv[1:2] == ["tree"]:
        tree()
    elif sys.argv[1:2] == ["announce"] and len(sys.argv) == 3:
        announce(sys.argv[2])
    else:
        sys.exit(__doc__)
