"""Reads the editor's accessibility tree over AT-SPI and checks the role and name of every
control, the labels that name the lists, and the device dialog's list.
Run on a private session bus with DISPLAY set:  atspi_names.py path/to/corvane"""
import os
import subprocess
import sys
import time

import pyatspi

# name (for a list: the label it is labelled by) -> AT-SPI role name
MAIN_WINDOW = {
    "MIDI Channel": "combo box",
    "Note Transpose": "combo box",
    "Note Velocity": "combo box",
    "Filter Pitch Bend": "check box",
    "Filter After Touch": "check box",
    "Control Change All": "check box",
    "Control Change One": "check box",
    "SysEx Specify": "check box",
    "SysEx All": "check box",
    "Load": "push button",
    "Save": "push button",
    "Device": "push button",
    "Update": "push button",
    "Exit": "push button",
    "Enable": "check box",
    "CC Number": "combo box",
    "Preset": "combo box",
    "Preset CC Number": "combo box",
    "SysEx pattern": "text",
}
DESCRIPTIONS = {
    "MIDI Channel": "MIDI channel of the unit (1 to 16)",
    "SysEx Specify": "SysEx mode Specify: the byte pattern typed on the right",
    "Update": "Send the settings to the unit (Ctrl+Return)",
}
failures = []


def check(ok, what):
    if not ok:
        failures.append(what)


def find_frame(name, seconds=40):
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        desktop = pyatspi.Registry.getDesktop(0)
        for app in desktop:
            for frame in app or []:
                if frame is not None and frame.name == name:
                    return frame
        time.sleep(0.2)
    return None


def descendants(node):
    """The nodes below node; a list's items are not looked into."""
    for child in node:
        if child is None:
            continue
        yield child
        if child.getRoleName() != "combo box":
            yield from descendants(child)


def label_of(node):
    for relation in node.getRelationSet():
        if relation.getRelationType() == pyatspi.RELATION_LABELLED_BY:
            return [relation.getTarget(i).name for i in range(relation.getNTargets())]
    return []


def controls(frame):
    """name -> node of the focusable controls; a list is named by its label."""
    found = {}
    for node in descendants(frame):
        if not node.getState().contains(pyatspi.STATE_FOCUSABLE):
            continue
        if node.getRoleName() == "combo box":
            for label in label_of(node):
                found[label] = node
        else:
            found[node.name] = node
    return found


def start_editor(path):
    """Starts the editor at path; returns its process and its main window's node, or None
    (said on standard output) when the window did not reach the accessibility tree."""
    # Bring up the accessibility bus and its registry before the editor asks for them, so a
    # slow start (a sanitizer build on a busy machine) does not race their activation.
    len(pyatspi.Registry.getDesktop(0))
    editor = subprocess.Popen([path], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    frame = find_frame("Corvane")
    if frame is None:
        print("FAIL: no window named Corvane in the accessibility tree")
    return editor, frame


def verdict(failures, passed):
    """Prints each failure, or passed when there is none; returns the exit status."""
    for failure in failures:
        print("FAIL:", failure)
    if not failures:
        print("PASS:", passed)
    return 1 if failures else 0


def main():
    editor, frame = start_editor(sys.argv[1])
    try:
        if frame is None:
            return 1
        found = controls(frame)
        for name, role in MAIN_WINDOW.items():
            node = found.get(name)
            check(node is not None, f"no control named {name!r}")
            if node is not None:
                check(node.getRoleName() == role, f"{name!r} is a {node.getRoleName()}, not a {role}")
        check(len(found) == len(MAIN_WINDOW), f"{len(found)} named controls: {sorted(found)}")
        for name, description in DESCRIPTIONS.items():
            if name in found:
                got = found[name].description
                check(got == description, f"{name!r} described as {got!r}")

        found["Device"].queryAction().doAction(0)
        dialog = find_frame("MIDI Device Setup")
        check(dialog is not None, "the device dialog is not in the accessibility tree")
        if dialog is not None:
            lists = [n for n in descendants(dialog) if n.getRoleName() == "combo box"]
            check([label_of(n) for n in lists] == [["MIDI OUT Device"]],
                  f"device dialog lists labelled {[label_of(n) for n in lists]}")
    finally:
        editor.terminate()
        editor.wait(10)
    return verdict(failures, f"{len(MAIN_WINDOW)} controls named, the device list labelled")


if __name__ == "__main__":
    os.environ["QT_LINUX_ACCESSIBILITY_ALWAYS_ON"] = "1"
    os.environ["QT_QPA_PLATFORM"] = "xcb"
    sys.exit(main())
