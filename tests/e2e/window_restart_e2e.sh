#!/usr/bin/env bash
# The real editor on a private MIDI server (KIND: jackd:PERIOD or pipewire) that stops and
# starts again under its name: `corvane --device monitor` connects to the tests' receiver; the
# server is killed and started again, and a new receiver of the same name with it; the next
# Update opens the editor's client again, connects it to monitor:input by name and delivers the
# default dump byte for byte, every gap 4800 server frames, with nothing reported. Nothing is
# tried again.
# Usage: window_restart_e2e.sh KIND CORVANE_BINARY
# Exit 0 on success, 1 on failure, 77 (skip) when the display or the server cannot start (1
# under CI=true).
set -euo pipefail

readonly kind=${1:?usage: window_restart_e2e.sh KIND CORVANE_BINARY}
readonly corvane=${2:?usage: window_restart_e2e.sh KIND CORVANE_BINARY}
# shellcheck source=window_common.sh
source "$(dirname "$0")/window_common.sh"

start_window_test "$kind"
connected() { $jack jack_lsp -c monitor:input | grep -q '^ *Corvane:Corvane$'; }

start_editor --device monitor
wait_for 100 connected || fail "--device monitor did not connect the editor to the monitor"

restart_midi_server
start_monitor monitor
faults_before=$(($(server_xruns) + $(missed_cycles monitor)))
click_update
wait_for 60 sh -c "[ \$(grep -ciE 'f0( [0-9a-f]{2}){14} f7' '$work/monitor.txt') -ge 10 ]" ||
    report_shown || fail "$(packets monitor | wc -l) of 10 packets arrived and nothing was reported"
[ "$(packets monitor | wc -l)" -lt 10 ] || wait_dump_judged
faults=$(($(server_xruns) + $(missed_cycles monitor) - faults_before))
! message_shown || fail "a message box came up for the transfer"
if report_shown; then
    ((faults > 0)) || fail "the Update after the restart was reported as failed; no fault was logged"
    echo "$kind: after the restart, $faults faults logged, and the editor reported them"
    exit_editor
    exit 0
fi
connected || fail "after the restart the editor is not connected to monitor:input"
[ "$(packets monitor)" = "$expected" ] || fail "not exactly the default dump arrived"
gaps monitor | awk '$1 != 4800 { bad = 1 } END { exit bad }' ||
    fail "gaps $(gaps monitor | tr '\n' ' ')server frames, not all 4800"
echo "$kind: after the restart, the default dump exact, gaps $(gaps monitor | tr '\n' ' ')"
exit_editor
echo "PASS"
