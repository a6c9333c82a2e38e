#!/usr/bin/python3
# Prints the caption of every push button in the top-level window titled exactly argv[1], one a line,
# as the accessibility bus (AT-SPI) shows it to screen readers: the texts users see, read from the
# running program itself.
import sys

import pyatspi


def buttons(node, depth=0):
    if node is None or depth > 12:
        return
    if node.getRoleName() == "push button":
        print(node.name)
    for child in node:
        buttons(child, depth + 1)


for application in pyatspi.Registry.getDesktop(0):
    for window in application or []:
        if window is not None and window.name == sys.argv[1]:
            buttons(window)
