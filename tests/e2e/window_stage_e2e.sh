#!/usr/bin/env bash
# The stage features through the real editor window on a private JACK server, watched by a
# jack_midi_dump named "monitor":
#  - `corvane --device monitor A B C`: the named device opens at start and the set list's first
#    file loads, nothing sent; Page Down reports the bad file B and sends nothing, the next Page
#    Down sends C's exact dump;
#  - the receiver ends and starts again under the same name: the next Update delivers to it;
#  - `--send-on-change`: a burst of 20 edits gives at most 2 dumps, the last one the final
#    settings' exact dump; a chain of 10 edits undone and redone gives, at every step, the
#    dump of that step byte for byte.
# Nothing is tried again. A failure report is accepted where the server logged an xrun during
# the transfer, and only there.
# Usage: window_stage_e2e.sh CORVANE_BINARY CORVANE_CLI_BINARY
set -euo pipefail

readonly corvane=${1:?usage: window_stage_e2e.sh CORVANE_BINARY CORVANE_CLI_BINARY}
readonly cli=${2:?usage: window_stage_e2e.sh CORVANE_BINARY CORVANE_CLI_BINARY}

# shellcheck source=window_common.sh
source "$(dirname "$0")/window_common.sh"

start_window_test jackd:1024
monitor_pid=${pids[-1]}

last_dump() { packets monitor | tail -n 10; }
# A report on the window's line only where the server logged an xrun since the mark (that of
# the section, since a report may come after the check for its dump); no message box is ever
# up for a transfer.
accept_reports() {
    ! message_shown || fail "a message box came up for a transfer"
    report_shown || return 0
    (($(server_xruns) > $1)) || fail "the editor reported a failure; the server logged no xrun"
    echo "note: the server logged an xrun during a transfer, and the editor reported it"
}
connected() { $jack jack_lsp -c monitor:input | grep -q '^ *Corvane:Corvane$'; }

preset "$work/a.cvp" "3:3"
printf 'not a preset\r\n' >"$work/b.cvp"
preset "$work/c.cvp" "3:7" "7:50"

# --- The device by name, and a set list ------------------------------------------------
mark=$(server_xruns)
start_editor --device monitor "$work/a.cvp" "$work/b.cvp" "$work/c.cvp"
wait_for 100 connected || fail "--device monitor did not connect the editor to the monitor"
xdotool windowfocus --sync "$main"
clock_runs 48000
(($(count) == 0)) || fail "the set list's first file was sent at start"
xdotool key Next
close_message
clock_runs 48000
(($(count) == 0)) || fail "the bad file sent something"
xdotool key Next
await_packets 10 "Page Down onto C"
[ "$(last_dump)" = "$(dump_of "$work/c.cvp")" ] || fail "Page Down did not send C's dump"
wait_dump_judged  # before the receiver ends below
accept_reports "$mark"
echo "ok: --device opened the monitor; the set list passed the bad file and sent C's dump"

# --- The receiver ends and comes back under its name -------------------------------------
kill "$monitor_pid"
wait "$monitor_pid" 2>/dev/null || true
wait_for 100 sh -c "! $jack jack_lsp | grep -qx monitor:input" || fail "the monitor did not end"
mv "$work/monitor.txt" "$work/monitor-before.txt"
start_monitor monitor
mark=$(server_xruns)
line=$(report_state)
click_update
await_packets 10 "Update after the receiver came back"
[ "$(last_dump)" = "$(dump_of "$work/c.cvp")" ] || fail "Update after the replug sent other bytes"
wait_dump_judged "$line"
accept_reports "$mark"
echo "ok: after the receiver came back under its name, Update delivered to it"
exit_editor

# --- Send on change: a burst, then undo and redo --------------------------------------------
mark=$(server_xruns)
base=$(count)
start_editor --send-on-change --device monitor
wait_for 100 connected || fail "--device monitor did not connect the editor to the monitor"
xdotool windowfocus --sync "$main"
# Twenty steps down the velocity list, from 100 to 120, as fast as keys go.
click "$main" 264 264 57 27
xdotool key Escape
xdotool key --delay 5 $(printf 'Down %.0s' $(seq 20))
await_packets $((base + 10)) "the burst"
clock_runs 72000
dumps=$((($(count) - base) / 10))
((dumps <= 2)) || fail "a burst of 20 edits gave $dumps dumps"
preset "$work/velocity.cvp" "7:120"
[ "$(last_dump)" = "$(dump_of "$work/velocity.cvp")" ] ||
    fail "the burst's last dump does not carry the final settings"
accept_reports "$mark"
echo "ok: a burst of 20 edits gave $dumps dumps, the last one of the final settings"

# Ten steps down the channel list, each sent; then each undone and redone. A dump's report is
# on the window's line and holds up no key.
click "$main" 264 172 57 27
xdotool key Escape
declare -a at
at[0]=$(last_dump)
mark=$(server_xruns)
sent=$(count)
# Presses KEY and waits for its dump: the dump that WHAT names.
key_and_dump() {
    xdotool key --window "$main" "$1"
    sent=$((sent + 10))
    await_packets "$sent" "$2"
    accept_reports "$mark"
}
for step in $(seq 10); do
    key_and_dump Down "edit $step"
    at[step]=$(last_dump)
    [ "${at[step]}" != "${at[step - 1]}" ] || fail "edit $step sent the dump of the step before"
done
for step in $(seq 9 -1 0); do
    key_and_dump ctrl+z "undo to step $step"
    [ "$(last_dump)" = "${at[step]}" ] || fail "undo to step $step gave other bytes"
done
for step in $(seq 10); do
    key_and_dump ctrl+y "redo of step $step"
    [ "$(last_dump)" = "${at[step]}" ] || fail "redo of step $step gave other bytes"
done
echo "ok: 10 edits undone and redone gave each step's dump byte for byte"
exit_editor
echo "PASS"
