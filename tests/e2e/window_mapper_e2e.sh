#!/usr/bin/env bash
# The real editor on a private MIDI server (KIND: jackd:PERIOD or pipewire): Device, "MIDI
# Mapper", OK opens the virtual port Corvane:Corvane, which is routed to the monitor (the tests'
# receiver); an Update that reports nothing delivered the default dump through it byte for
# byte, every gap 4800 server frames (100 ms at 48 kHz); a reported one is backed by a fault
# that the server or the receiver logged. Exit ends the editor within 3 s. On jackd, Exit with
# the server frozen still ends it within 3 s.
# Usage: window_mapper_e2e.sh KIND CORVANE_BINARY
# Exit 0 on success, 1 on failure, 77 (skip) when the display or the server cannot start (1
# under CI=true).
set -euo pipefail

readonly kind=${1:?usage: window_mapper_e2e.sh KIND CORVANE_BINARY}
readonly corvane=${2:?usage: window_mapper_e2e.sh KIND CORVANE_BINARY}
# shellcheck source=window_common.sh
source "$(dirname "$0")/window_common.sh"

start_window_test "$kind"

start_editor
choose_device 0
wait_for 100 has_port Corvane:Corvane || fail "the mapper's port Corvane:Corvane did not appear"
$jack jack_connect Corvane:Corvane monitor:input || fail "Corvane:Corvane could not be routed"

xruns_before=$(server_xruns)
missed_before=$(missed_cycles monitor)
click_update
whole_or_reported() { [ "$(packets monitor | wc -l)" -ge 10 ] || report_shown; }
wait_for 50 whole_or_reported || true
[ "$(packets monitor | wc -l)" -lt 10 ] || wait_dump_judged
faults=$(($(server_xruns) - xruns_before + $(missed_cycles monitor) - missed_before))
! message_shown || fail "a message box came up for the transfer"
if report_shown; then
    ((faults > 0)) || fail "a failure was reported, but neither the server nor the receiver logged a fault"
    echo "$kind: $faults faults logged, and the editor reported it; $(packets monitor | wc -l) of 10 arrived"
else
    [ "$(packets monitor)" = "$expected" ] ||
        fail "the mapper's port did not deliver exactly the default dump, and nothing was reported"
    gaps monitor | awk '$1 != 4800 { bad = 1 } END { exit bad }' ||
        fail "gaps $(gaps monitor | tr '\n' ' ')server frames, not all 4800"
    echo "$kind: dump exact through the routed mapper port; gaps $(gaps monitor | tr '\n' ' ')($faults faults logged)"
fi
exit_editor
echo "$kind: Exit ended the editor"

[[ $kind == jackd:* ]] || exit 0
start_editor
choose_device 0
wait_for 100 has_port Corvane:Corvane || fail "the mapper's port Corvane:Corvane did not appear"
kill -STOP "$server_pid"
on_exit 'kill -CONT "$server_pid" 2>/dev/null'
started=$(date +%s%N)
exit_editor
echo "$kind: with the server frozen, Exit ended the editor after $((($(date +%s%N) - started) / 1000000)) ms"
