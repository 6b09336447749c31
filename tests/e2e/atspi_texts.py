"""Prints what screen readers read of the editor's windows over AT-SPI: one line per node that
is showing, "ROLE<TAB>NAME", each window first. The editor runs with accessibility on, on the
session bus of this script's environment:  atspi_texts.py"""
import os
import sys

import pyatspi

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "ui"))
from atspi_names import descendants  # noqa: E402


def main():
    for app in pyatspi.Registry.getDesktop(0):
        if app is None or app.name.lower() != "corvane":
            continue
        for window in app:
            if window is None or not window.getState().contains(pyatspi.STATE_SHOWING):
                continue
            print(f"{window.getRoleName()}\t{window.name}")
            for node in descendants(window):
                if node.getState().contains(pyatspi.STATE_SHOWING):
                    print(f"{node.getRoleName()}\t{node.name}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
