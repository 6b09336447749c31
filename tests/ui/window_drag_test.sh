#!/usr/bin/env bash
# Drags the real editor window under Xvfb (with openbox when it is installed, so the window
# system's own move runs) with each mouse button, and checks that the window follows the drag
# and lets go of the pointer when the button is released.
#   window_drag_test.sh path/to/corvane
set -uo pipefail

editor=${1:?usage: window_drag_test.sh path/to/corvane}
# shellcheck source=../support/processes.sh
source "$(dirname "$0")/../support/processes.sh"
# shellcheck source=../support/test_skip.sh
source "$(dirname "$0")/../support/test_skip.sh"
# shellcheck source=../support/private_display.sh
source "$(dirname "$0")/../support/private_display.sh"
for tool in Xvfb xdotool; do
    command -v "$tool" >/dev/null || skip_test "$tool is not installed"
done

start_private_display "$work" 1200x1000
if command -v openbox >/dev/null; then
    openbox >/dev/null 2>&1 &
    pids+=($!)
    sleep 1
    echo "window manager: openbox"
else
    echo "window manager: none (the window moves itself)"
fi

QT_QPA_PLATFORM=xcb "$editor" >/dev/null 2>&1 &
pids+=($!)
window=""
for _ in $(seq 100); do
    window=$(xdotool search --onlyvisible --name '^Form1$' 2>/dev/null | head -1)
    [ -n "$window" ] && break
    sleep 0.1
done
[ -n "$window" ] || fail "the editor window did not appear"
sleep 0.5

corner() {
    local X Y WINDOW SCREEN WIDTH HEIGHT
    eval "$(xdotool getwindowgeometry --shell "$window")"
    echo "$X $Y"
}

for button in 1 2 3; do
    read -r x y < <(corner)
    grip_x=$((x + 350))
    grip_y=$((y + 740))  # the panel below the buttons
    xdotool mousemove "$grip_x" "$grip_y"
    sleep 0.2
    xdotool mousedown "$button"
    sleep 0.2
    for step in $(seq 10); do
        xdotool mousemove $((grip_x + step * 4)) $((grip_y - step * 3))
        sleep 0.05
    done
    sleep 0.2
    xdotool mouseup "$button"
    sleep 0.4
    read -r moved_x moved_y < <(corner)
    [ "$moved_x" -eq $((x + 40)) ] && [ "$moved_y" -eq $((y - 30)) ] ||
        fail "button $button: window at $moved_x,$moved_y after a drag of 40,-30 from $x,$y"
    xdotool mousemove $((grip_x + 200)) $((grip_y - 150))
    sleep 0.4
    read -r after_x after_y < <(corner)
    [ "$after_x" -eq "$moved_x" ] && [ "$after_y" -eq "$moved_y" ] ||
        fail "button $button: window still follows the pointer after the release"
    echo "button $button: moved by 40,-30 and let go"
done
echo "PASS"
