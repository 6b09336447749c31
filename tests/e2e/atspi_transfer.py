"""The editor over AT-SPI while a dump is on its way: Update reads as pressed, and screen
readers are told what it is doing and told again when the dump has ended; at rest Update reads
as before. Run on a private session bus, with DISPLAY set and a JACK server to open the mapper on:
    atspi_transfer.py path/to/corvane"""
import os
import sys
import time

import pyatspi
from gi.repository import GLib

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "ui"))
from atspi_names import descendants, find_frame, start_editor, verdict  # noqa: E402

AT_REST = "Send the settings to the unit (Ctrl+Return)"
SENDING = "Sending the settings to the unit"


def push_buttons(frame):
    return {n.name: n for n in descendants(frame) if n.getRoleName() == "push button"}


def wait_until(condition, seconds):
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        if condition():
            return True
        time.sleep(0.05)
    return False


def main():
    editor, frame = start_editor(sys.argv[1])
    failures = []
    try:
        if frame is None:
            return 1
        buttons = push_buttons(frame)
        buttons["Device"].queryAction().doAction(0)
        dialog = find_frame("MIDI Device Setup")
        if dialog is None:
            print("FAIL: the device dialog is not in the accessibility tree")
            return 1
        # OK on the list's first choice, the mapper: a port of our own on the JACK server.
        push_buttons(dialog)["OK"].queryAction().doAction(0)
        if not wait_until(lambda: not dialog.getState().contains(pyatspi.STATE_SHOWING), 10):
            print("FAIL: OK did not take effect")
            return 1

        update = buttons["Update"]
        told = []  # Update's descriptions that the editor told of, in order
        times = []  # when each was heard
        pressed = []  # whether Update read as pressed, a moment into the dump

        def heard(event):
            if event.source is not None and event.source.name == "Update":
                told.append(event.source.description)
                times.append(time.monotonic())

        def look():
            pressed.append(update.getState().contains(pyatspi.STATE_PRESSED))
            return False

        pyatspi.Registry.registerEventListener(heard, "object:property-change:accessible-description")
        GLib.timeout_add(200, lambda: update.queryAction().doAction(0) and False)
        GLib.timeout_add(700, look)
        GLib.timeout_add(4000, lambda: pyatspi.Registry.stop() and False)
        pyatspi.Registry.start()

        print(f"told of Update: {told}; pressed during the dump: {pressed}")
        if len(times) == 2:
            print(f"from sending to at rest: {round((times[1] - times[0]) * 1000)} ms")
        if told != [SENDING, AT_REST]:
            failures.append("not told that Update is sending, then that it is at rest")
        if pressed != [True]:
            failures.append("Update did not read as pressed during the dump")
        if update.getState().contains(pyatspi.STATE_PRESSED) or update.description != AT_REST:
            failures.append(f"at rest Update reads {update.description!r}, pressed "
                            f"{update.getState().contains(pyatspi.STATE_PRESSED)}")
    finally:
        editor.terminate()
        editor.wait(10)
    return verdict(failures, "screen readers are told of the dump on its way and of its end")


if __name__ == "__main__":
    os.environ["QT_LINUX_ACCESSIBILITY_ALWAYS_ON"] = "1"
    os.environ["QT_QPA_PLATFORM"] = "xcb"
    sys.exit(main())
