# Shared by the end-to-end scripts that drive the real editor window under a private X display
# and a private JACK server, watched by jack_midi_dump. Source it after jack_common.sh, with
# `corvane` (the editor binary) and `monitor` (the monitor's client name) set. A test that
# cannot get its display or server is skipped (failed under CI=true; test_skip.sh).
# It makes the work folder $work, stops every process in $pids on exit (the editor last
# started is $editor_pid, its main window $main), and defines:
#   fail TEXT           prints TEXT, a screen shot and the logs' ends; exits 1
#   start_display       a private Xvfb display; skips the test when none can start
#   start_jack_monitor  a private JACK server and the monitor; skips when jackd cannot start
#   start_editor ARGS   starts the editor and waits for its main window
#   exit_editor         clicks Exit; the editor must end within 2.5 s
#   choose_monitor      Device, the monitor's port, OK
#   message_shown, close_message   the editor's message box is up; close it
#   packets, packet_count   what the monitor received, one packet a line

# shellcheck source=../support/test_skip.sh
source "$(dirname "${BASH_SOURCE[0]}")/../support/test_skip.sh"
# shellcheck source=../support/private_display.sh
source "$(dirname "${BASH_SOURCE[0]}")/../support/private_display.sh"

work=$(mktemp -d)
pids=()
jackd_pid=""
# Stops one process. jackd gets SIGINT once its clients are gone; stopped earlier, it can
# leave its name in JACK's table.
stop() {
    local pid=$1
    if [ "$pid" = "$jackd_pid" ]; then
        jack_stop
        return 0
    fi
    kill -TERM "$pid" 2>/dev/null || return 0
    for _ in $(seq 50); do
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.1
    done
    kill -KILL "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
}
cleanup() {
    for ((i = ${#pids[@]} - 1; i >= 0; i--)); do
        stop "${pids[i]}"
    done
    rm -rf "$work"
}
trap cleanup EXIT

fail() {
    echo "FAIL: $*" >&2
    local shot="${TMPDIR:-/tmp}/corvane-e2e-failure-$$.png"
    if [ -n "${DISPLAY:-}" ] && import -window root "$shot" 2>/dev/null; then
        echo "screen at the failure: $shot" >&2
    fi
    for log in "$work"/*.log; do
        [ -s "$log" ] && { echo "--- $(basename "$log")" >&2; tail -n 20 "$log" >&2; }
    done
    exit 1
}

start_display() {
    start_private_display "$work" 1280x1024
    pids+=("$xvfb_pid")
}

start_jack() {
    jack_start_private corvane-window "$work/jackd.log" -d dummy -p 1024 -r 48000 || return 1
    jackd_pid=$JACK_PID
    pids+=("$JACK_PID")
}
start_jack_monitor() {
    if ! start_jack; then
        tail -n 5 "$work/jackd.log" >&2
        skip_test "jackd could not start a server"
    fi
    stdbuf -oL jack_midi_dump "$monitor" >"$work/dump.log" 2>&1 &
    pids+=($!)
    wait_for 100 sh -c "jack_lsp | grep -qx '$monitor:input'" || fail "the MIDI monitor did not start"
}

export XDG_RUNTIME_DIR=$work CORVANE_MIDI_API=jack

find_window() { timeout "${2:-10}" xdotool search --sync --onlyvisible --name "^$1\$" | head -n 1; }
# Clicks the centre of a control given by its window-relative x, y, width and height.
click() {
    xdotool mousemove --window "$1" $(($2 + $4 / 2)) $(($3 + $5 / 2)) click 1
}

# Starts the editor with the given arguments and waits for its main window.
editor_pid=""
start_editor() {
    "$corvane" "$@" >>"$work/corvane.log" 2>&1 &
    editor_pid=$!
    pids+=("$editor_pid")
    main=$(find_window Form1 20) || fail "the main window did not appear"
    [ -n "$main" ] || fail "the main window did not appear"
}
# Exit, and the editor process must end.
exit_editor() {
    click "$main" 528 640 81 33
    wait_for 25 sh -c "! kill -0 $editor_pid 2>/dev/null" || fail "Exit did not end the editor within 2.5 s"
    wait "$editor_pid" 2>/dev/null || true
}

message_shown() { xdotool search --onlyvisible --name '^Corvane$' >/dev/null 2>&1; }
# Presses OK's key on the editor's message box until it closes. The box may still be
# settling when it is first found, so the key goes again to the window that is there now.
close_message() {
    local box
    for _ in 1 2 3 4 5; do
        box=$(find_window Corvane 2) || break
        [ -n "$box" ] || break
        xdotool key --window "$box" Return 2>/dev/null || true
        wait_for 20 sh -c "! xdotool search --onlyvisible --name '^Corvane\$'" && return 0
    done
    message_shown && fail "the message did not close"
    return 0
}

# Each packet as one line of upper-case hex bytes, in arrival order.
packets() { grep -oiE 'f0( [0-9a-f]{2}){14} f7' "$work/dump.log" | tr 'a-f' 'A-F' || true; }
packet_count() { packets | wc -l; }

# --- Device: pick the monitor's port, OK ------------------------------------------------
choose_monitor() {
    click "$main" 304 640 81 33
    dialog=$(find_window "MIDI Device Setup") || fail "the device dialog did not appear"
    [ -n "$dialog" ] || fail "the device dialog did not appear"
    # The list holds "MIDI Mapper" and the monitor's input; one wheel step selects position 1.
    xdotool mousemove --window "$dialog" 124 67 click 5
    click "$dialog" 176 128 57 25
    wait_for 100 sh -c "jack_lsp -c '$monitor:input' | grep -q '^ '" ||
        fail "OK did not connect a port to the monitor"
}
