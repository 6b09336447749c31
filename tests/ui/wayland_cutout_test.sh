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
for _ in $(seq 100); do
    [ -S "$XDG_RUNTIME_DIR/$socket" ] && break
    sleep 0.1
done
[ -S "$XDG_RUNTIME_DIR/$socket" ] || skip_test "weston did not start"
sleep 1

WAYLAND_DISPLAY="$socket" QT_QPA_PLATFORM=wayland "$editor" >"$work/editor.log" 2>&1 &
pids+=($!)
# How many pixels of the screen have the colour, as #RRGGBB.
count() {
    convert "$work/screen.png" -format %c histogram:info:- |
        awk -v colour="$1" '$0 ~ colour { sum += $1 } END { print sum + 0 }'
}
panel=0
for _ in $(seq 20); do
    sleep 0.5
    import -window root "$work/screen.png" 2>/dev/null || continue
    panel=$(count '#131313')
    [ "$panel" -gt 100000 ] && break
done
[ "$panel" -gt 100000 ] || fail "the editor's panel did not appear ($panel panel pixels)"
sleep 0.5
import -window root "$work/screen.png" || fail "no screenshot"
red=$(count '#FF0000')
[ "$red" -eq 0 ] || fail "$red pixels of the key colour on the screen"
echo "PASS: panel shown ($panel pixels), no key-colour pixel on the screen"
