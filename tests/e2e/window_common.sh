# shellcheck shell=bash
# Shared by the end-to-end scripts that drive the real editor window under a private X display
# and a private MIDI server, watched by a monitor named "monitor". Source it with `corvane` (the
# editor binary) set; it sources the shared helpers of tests/support and defines:
#   start_window_test KIND   the display, the server (see midi_servers.sh) and the monitor
#   start_editor ARGS   starts the editor and waits for its main window ($main, $editor_pid)
#   exit_editor         clicks Exit; the editor must end within 3 s
#   choose_device P     Device, the list's position P (0 is "MIDI Mapper"), OK
#   pick_device P, press_ok   the same in two steps ($dialog is the device dialog)
#   click_update        clicks Update
#   message_shown, close_message   the editor's message box is up; close it
#   message_says TEXT   the message box that is up reads TEXT to screen readers (a fixed
#                       string); needs use_accessibility
#   use_accessibility   call first thing: the script runs again on a private session bus, and
#                       the editor with its accessibility on; skipped without pyatspi
#   report_shown        the window's report line (a dump that did not go through) is drawn
#   expected            the default dump, one packet a line as `packets` prints it
# and, with `cli` (corvane-cli) set:
#   preset OUT N:TEXT...   the default preset file with line N replaced by TEXT, for each
#   dump_of FILE        FILE's dump as `packets` prints it
#   count               the packets the monitor has received
#   await_packets N WHAT   waits until the monitor has received N packets; fails naming WHAT
#   wait_dump_judged [shown]   the editor has judged the dump whose last packet arrived
#   clock_runs FRAMES   waits while the server's clock runs FRAMES frames (a time to see that
#                       nothing more comes)
# A test that cannot get its display or server is skipped (failed under CI=true).

here=$(dirname "${BASH_SOURCE[0]}")
# shellcheck source=../support/processes.sh
source "$here/../support/processes.sh"
# shellcheck source=../support/test_skip.sh
source "$here/../support/test_skip.sh"
# shellcheck source=../support/private_display.sh
source "$here/../support/private_display.sh"
# shellcheck source=../support/midi_servers.sh
source "$here/../support/midi_servers.sh"
export CORVANE_MIDI_API=jack

expected=$(printf '%s\n' \
    "F0 7D 12 34 31 04 00 07 00 0B 64 00 7F 7F 7F F7" \
    "F0 7D 12 34 31 04 01 7F 7F 7F 7F 7F 7F 7F 7F F7" \
    "F0 7D 12 34 31 04 02 7E 7F 7F 7F 7F 7F 7F 00 F7" \
    "F0 7D 12 34 31 04 03 00 01 02 05 07 0A 0B 40 F7" \
    "F0 7D 12 34 31 04 04 00 41 42 43 50 51 5B 5D F7" \
    "F0 7D 12 34 31 04 05 00 78 79 7B 01 01 01 05 F7" \
    "F0 7D 12 34 31 04 06 03 41 00 42 12 40 7F 7F F7" \
    "F0 7D 12 34 31 04 07 7F 7F 7F 7F 7F 7F 7F 7F F7" \
    "F0 7D 12 34 31 04 08 60 7F 7F 7F 7F 7F 7F 7F F7" \
    "F0 7D 12 34 31 04 7F 00 7F 7F 7F 7F 7F 7F 7F F7")

start_window_test() {
    command -v xdotool >/dev/null || skip_test "xdotool is not installed"
    start_private_display "$work" 1280x1024
    start_midi_server "$1"
    start_monitor monitor
}

find_window() { timeout "${2:-10}" xdotool search --sync --onlyvisible --name "^$1\$" | head -n 1; }
# Clicks the centre of a control given by its window-relative x, y, width and height.
click() {
    xdotool mousemove --window "$1" $(($2 + $4 / 2)) $(($3 + $5 / 2)) click 1
}

editor_pid=""
start_editor() {
    $jack "$corvane" "$@" >>"$work/corvane.log" 2>&1 &
    editor_pid=$!
    pids+=("$editor_pid")
    main=$(find_window Form1 20) || fail "the main window did not appear"
    [ -n "$main" ] || fail "the main window did not appear"
}

exit_editor() {
    click "$main" 528 640 81 33
    wait_for 30 sh -c "! kill -0 $editor_pid 2>/dev/null" || fail "Exit did not end the editor within 3 s"
    wait "$editor_pid" 2>/dev/null || true
}

click_update() { click "$main" 416 640 81 33; }

message_shown() { xdotool search --onlyvisible --name '^Corvane$' >/dev/null 2>&1; }
# The box gets the keyboard focus, then one Return; it must have come and must go.
close_message() {
    local box
    box=$(find_window Corvane 10) || true
    [ -n "$box" ] || fail "no message box came"
    xdotool windowfocus --sync "$box"
    xdotool key Return
    wait_for 50 sh -c "! xdotool search --onlyvisible --name '^Corvane\$'" ||
        fail "the message did not close"
}
use_accessibility() {
    if [ -z "${CORVANE_E2E_BUS:-}" ]; then
        command -v dbus-run-session >/dev/null || skip_test "dbus-run-session is not installed"
        /usr/bin/python3 -c 'import pyatspi' 2>/dev/null || skip_test "python3-pyatspi is not installed"
        trap - EXIT
        rm -rf "$work"
        CORVANE_E2E_BUS=1 exec dbus-run-session -- "$0" "$@"
    fi
    export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1
}
# What screen readers read of the editor's windows: "ROLE<TAB>NAME" a line.
screen_reader_texts() { timeout 20 /usr/bin/python3 "$here/atspi_texts.py"; }
message_says() {
    message_shown || fail "no message box is up"
    wait_for 50 sh -c '/usr/bin/python3 "$0" | grep -qF -- "$1"' "$here/atspi_texts.py" "$1"
}
# The report line is drawn in its own colour, RGB(255, 112, 112), below the set-list strip.
report_shown() {
    local drawn
    drawn=$(import -window "$main" png:- |
        convert - -crop 529x40+80+718 +repage -format %c histogram:info:- | grep -ci 'FF7070')
    ((drawn > 0))
}

pick_device() {
    click "$main" 304 640 81 33
    dialog=$(find_window "MIDI Device Setup") || true
    [ -n "$dialog" ] || fail "the device dialog did not appear"
    # One wheel step down the list selects the next position.
    local step
    for ((step = 0; step < $1; step++)); do
        xdotool mousemove --window "$dialog" 124 67 click 5
    done
}
press_ok() { click "$dialog" 176 128 57 25; }
choose_device() {
    pick_device "$1"
    press_ok
}

preset() {
    local out=$1 script=""
    shift
    for change in "$@"; do
        script+="${change%%:*}s/.*/${change#*:}\r/;"
    done
    "$cli" defaults | sed "$script" >"$out"
}
dump_of() { "$cli" dump "$1" | tr 'a-f' 'A-F'; }
count() { packets monitor | wc -l; }
packets_at_least() { (($(count) >= $1)); }
await_packets() { wait_for 60 packets_at_least "$1" || fail "$2: $(count) of $1 packets arrived"; }

# After a dump's last packet reached the monitor: waits until the server's clock has run two
# periods past it (the editor judges a dump in the cycle after its last packet's), then up to
# 0.5 s by the clock for the editor's report line to change: to show, or with `shown` (it
# showed before the dump) to go once the dump went through.
report_gone() { ! report_shown; }
# "shown" or "hidden": the line's state before a dump, for wait_dump_judged.
report_state() { if report_shown; then echo shown; else echo hidden; fi; }
wait_dump_judged() {
    local until=$(($(last_frame monitor) + 2 * $(server_period)))
    wait_clock_past monitor "$until" || fail "the server's clock did not pass frame $until"
    local change=report_shown deadline=$((${EPOCHREALTIME/./} + 500000))
    [ "${1:-}" != shown ] || change=report_gone
    until $change; do
        ((${EPOCHREALTIME/./} < deadline)) || return 0
    done
}

# The server's clock runs on by FRAMES frames, as the monitor sees it: the time in which the
# editor would have sent something, measured on the clock the packets are stamped by.
clock_runs() {
    local from
    from=$(cat "$work/monitor.clock")
    wait_clock_past monitor $((10#$from + $1)) || fail "the server's clock did not run $1 frames"
}
