#!/usr/bin/python3
# Prints every name and text the running tavlets shows on screen, as exposed over AT-SPI, one per
# line, so a case can check what the panel says. Debian's python3 (pyatspi).
import sys

import pyatspi


def walk(node, depth=0):
    if node is None or depth > 40:
        return
    try:
        if depth > 0 and not node.getState().contains(pyatspi.STATE_SHOWING):
            return
        if node.name:
            print(node.name)
        try:
            text = node.queryText()
            content = text.getText(0, -1)
            if content:
                print(content)
        except NotImplementedError:
            pass
        for child in node:
            walk(child, depth + 1)
    except Exception:
        pass


desktop = pyatspi.Registry.getDesktop(0)
for app in desktop:
    if app is not None and app.name == "tavlets":
        walk(app)
        sys.exit(0)
sys.exit(1)
