#!/usr/bin/env bash
# The real editor under a private X display and a private JACK server: Device -> pick the
# monitor's port -> OK -> Update must deliver the default dump; Load of a preset file followed
# by Update must deliver that preset's dump. Started again with that file named on the command
# line, Update delivers the same dump; started with a bad file, it shows the message and keeps
# the start-up settings.
# Usage: device_window_e2e.sh CORVANE_BINARY
# Exit 0 on success, 1 on failure, 77 (skip) when Xvfb or jackd cannot start at all (1 under
# CI=true).
set -euo pipefail

readonly corvane=${1:?usage: device_window_e2e.sh CORVANE_BINARY}

# shellcheck source=window_common.sh
source "$(dirname "$0")/window_common.sh"

start_window_test jackd:1024
start_editor

choose_monitor() {
    choose_device 1
    wait_for 100 sh -c "$jack jack_lsp -c monitor:input | grep -q '^ '" ||
        fail "OK did not connect a port to the monitor"
}

# Clicks Update and checks that the ten packets that arrive are the expected ones.
update_and_expect() {
    local before expected received
    before=$(packets monitor | wc -l)
    click_update
    wait_for 100 sh -c "[ \$(grep -ciE 'f0( [0-9a-f]{2}){14} f7' '$work/monitor.txt') -ge $((before + 10)) ]" ||
        fail "$1: $(($(packets monitor | wc -l) - before)) of 10 packets arrived"
    expected=$(printf '%s\n' "${@:2}")
    received=$(packets monitor | tail -n +$((before + 1)))
    [ "$received" = "$expected" ] ||
        fail "$1: wrong dump"$'\n'"expected:"$'\n'"$expected"$'\n'"received:"$'\n'"$received"
    # A report of the server running late would be on the window's line and holds up nothing.
    echo "ok: $1"
}

choose_monitor

default_dump=(
    "F0 7D 12 34 31 04 00 07 00 0B 64 00 7F 7F 7F F7"
    "F0 7D 12 34 31 04 01 7F 7F 7F 7F 7F 7F 7F 7F F7"
    "F0 7D 12 34 31 04 02 7E 7F 7F 7F 7F 7F 7F 00 F7"
    "F0 7D 12 34 31 04 03 00 01 02 05 07 0A 0B 40 F7"
    "F0 7D 12 34 31 04 04 00 41 42 43 50 51 5B 5D F7"
    "F0 7D 12 34 31 04 05 00 78 79 7B 01 01 01 05 F7"
    "F0 7D 12 34 31 04 06 03 41 00 42 12 40 7F 7F F7"
    "F0 7D 12 34 31 04 07 7F 7F 7F 7F 7F 7F 7F 7F F7"
    "F0 7D 12 34 31 04 08 60 7F 7F 7F 7F 7F 7F 7F F7"
    "F0 7D 12 34 31 04 7F 00 7F 7F 7F 7F 7F 7F 7F F7"
)
update_and_expect "default dump" "${default_dump[@]}"

# --- Load a preset: channel 10, transpose +3, velocity 64, mode One slot 2, no pitch bend,
# SysEx Specify with the pattern 1, 2, 3 -------------------------------------------------
preset="$work/stage.cvp"
write_preset() {
    printf '%s\r\n' \
        '"* : Corvane, V1.0"' '"* : MIDI Channel"' 9 '"* : Note Transpose"' 14 \
        '"* : Note Velocity"' 64 '"* : Control Change"' 2 \
        255,255,255,255,255,255,255,255,255,255,255,255,255,255,255,255 \
        0,1,2,5,7,10,11,64,65,66,67,80,81,91,93,120,121,123 \
        '"* : Pitch Bend Bit"' 0 '"* : After Touch Bit"' 1 '"* : SysEx"' 0 \
        3,1,2,3,255,255,255,255,255,255,255,255,255,255,255,255,255 >"$preset"
}

click "$main" 80 640 81 33
open=$(find_window Open) || true
[ -n "$open" ] || fail "the Open dialog did not appear"
# The dialog's file name box has the focus once the dialog has the keyboard's. The file is
# written only after its name is typed: with no entry to complete the name, the file name
# completer's list is not up, and one Return goes to the dialog.
xdotool windowfocus --sync "$open"
xdotool type --delay 20 "$preset"
write_preset
xdotool key Return
wait_for 50 sh -c "! xdotool search --onlyvisible --name '^Open\$'" || fail "the Open dialog did not close"

preset_dump=(
    "F0 7D 12 34 31 04 00 07 09 0E 40 02 7F 7F 7F F7"
    "F0 7D 12 34 31 04 01 7F 7F 7F 7F 7F 7F 7F 7F F7"
    "F0 7D 12 34 31 04 02 7E 7F 7F 7F 7F 7F 7F 00 F7"
    "F0 7D 12 34 31 04 03 00 01 02 05 07 0A 0B 40 F7"
    "F0 7D 12 34 31 04 04 00 41 42 43 50 51 5B 5D F7"
    "F0 7D 12 34 31 04 05 00 78 79 7B 00 01 00 03 F7"
    "F0 7D 12 34 31 04 06 0F 01 02 03 7F 7F 7F 7F F7"
    "F0 7D 12 34 31 04 07 7F 7F 7F 7F 7F 7F 7F 7F F7"
    "F0 7D 12 34 31 04 08 60 7F 7F 7F 7F 7F 7F 7F F7"
    "F0 7D 12 34 31 04 7F 00 7F 7F 7F 7F 7F 7F 7F F7"
)
update_and_expect "loaded preset" "${preset_dump[@]}"

# --- The preset named on the command line: loaded once the window is up ----------------
exit_editor
start_editor "$preset"
choose_monitor
update_and_expect "preset named at start" "${preset_dump[@]}"

# --- A bad file named on the command line: the message, and the start-up settings stay -
exit_editor
printf '%s\r\n' '"* : MIDI Channel"' 9 >"$work/bad.cvp"
start_editor "$work/bad.cvp"
close_message
choose_monitor
update_and_expect "bad file named at start" "${default_dump[@]}"
echo "PASS"
