#!/usr/bin/env bash
# The real editor on a private weston compositor nested in a private X display: the red key
# colour of the skin must not reach the screen, while the dark panel does.
#   wayland_cutout_test.sh path/to/corvane
set -uo pipefail

editor=${1:?usage: wayland_cutout_test.sh path/to/corvane}
# shellcheck source=../support/processes.sh
source "$(dirname "$0")/../support/processes.sh"
# shellcheck source=../support/test_skip.sh
source "$(dirname "$0")/../support/test_skip.sh"
# shellcheck source=../support/private_display.sh
source "$(dirname "$0")/../support/private_display.sh"
for tool in Xvfb weston import convert; do
    command -v "$tool" >/dev/null || skip_test "$tool is not installed"
done
compgen -G "/usr/lib/*/qt6/plugins/platforms/libqwayland-generic.so" >/dev/null ||
    skip_test "Qt's Wayland platform is not installed (qt6-wayland)"

start_private_display "$work" 1000x900

export XDG_RUNTIME_DIR="$work/runtime"
mkdir -m 700 "$XDG_RUNTIME_DIR"
socket="corvane-test-$$"
weston --backend=x11-backend.so --socket="$socket" --width=1000 --height=900 --idle-time=0 \
    --no-config >"$work/weston.log" 2>&1 &
pids+=($!)
wait_for 100 test -S "$XDG_RUNTIME_DIR/$socket" || skip_test "weston did not start"

WAYLAND_DISPLAY="$socket" QT_QPA_PLATFORM=wayland "$editor" >"$work/editor.log" 2>&1 &
pids+=($!)
# How many pixels of the last screenshot have the colour, as #RRGGBB.
count() {
    convert "$work/screen.png" -format %c histogram:info:- |
        awk -v colour="$1" '$0 ~ colour { sum += $1 } END { print sum + 0 }'
}
# The screen shows the editor's dark panel.
panel_shown() {
    import -window root "$work/screen.png" 2>/dev/null && [ "$(count '#131313')" -gt 100000 ]
}
wait_for 200 panel_shown || fail "the editor's panel did not appear ($(count '#131313') panel pixels)"
panel=$(count '#131313')
red=$(count '#FF0000')
[ "$red" -eq 0 ] || fail "$red pixels of the key colour on the screen"
echo "PASS: panel shown ($panel pixels), no key-colour pixel on the screen"
