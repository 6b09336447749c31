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
    # The window manager names its window on the root once it manages the screen.
    wm_ready() { xprop -root _NET_SUPPORTING_WM_CHECK | grep -q 'window id'; }
    wait_for 100 wm_ready || fail "openbox did not take the screen"
    echo "window manager: openbox"
else
    echo "window manager: none (the window moves itself)"
fi

QT_QPA_PLATFORM=xcb "$editor" >"$work/editor.log" 2>&1 &
pids+=($!)
corner() {
    local X Y WINDOW SCREEN WIDTH HEIGHT
    eval "$(xdotool getwindowgeometry --shell "$window")"
    echo "$X $Y"
}

# The window at the corner X Y.
window_at() { [ "$(corner)" = "$1 $2" ]; }

window=""
find_window() {
    window=$(xdotool search --onlyvisible --name '^Form1$' 2>/dev/null | head -1 || true)
    [ -n "$window" ]
}
wait_for 300 find_window || fail "the editor window did not appear"
# Centred on the 1200 x 1000 screen once it is shown.
wait_for 100 window_at 250 118 || fail "the window is at $(corner), not centred at 250 118"

for button in 1 2 3; do
    read -r x y < <(corner)
    grip_x=$((x + 350))
    grip_y=$((y + 740))  # the panel below the buttons
    xdotool mousemove "$grip_x" "$grip_y" mousedown "$button"
    # No X request tells that the window manager has taken the pointer for its move; the
    # drag starts once a hand would have begun to move.
    sleep 0.2
    for step in $(seq 10); do
        xdotool mousemove $((grip_x + step * 4)) $((grip_y - step * 3))
    done
    xdotool mouseup "$button"
    wait_for 40 window_at $((x + 40)) $((y - 30)) ||
        fail "button $button: window at $(corner) after a drag of 40,-30 from $x,$y"
    read -r moved_x moved_y < <(corner)
    xdotool mousemove $((grip_x + 200)) $((grip_y - 150))
    # That the window stays is a fact only after the time in which it would have followed.
    sleep 0.4
    window_at "$moved_x" "$moved_y" || fail "button $button: window still follows the pointer after the release"
    echo "button $button: moved by 40,-30 and let go"
done
echo "PASS"
