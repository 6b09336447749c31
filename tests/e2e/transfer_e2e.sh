#!/usr/bin/env bash
# corvane-cli against a private MIDI server, watched by the tests' receiver:
#  1. `ports` lists "0: MIDI Mapper" first and the monitor's input as a device;
#  2. `send` to the monitor ends within 3 s. A send that reports success delivered the default
#     dump byte for byte, every gap exactly 4800 frames (100 ms at 48 kHz) in the server frames
#     the receiver stamped. A send that reports a failure exits 1, says why, claims no more
#     than arrived, and is backed by a fault that the server (jackd's XRun, PipeWire's "client
#     too slow!") or the receiver (a missed cycle) logged during it. It is not tried again;
#  3. (jackd) with no server, `ports` and `send` exit 1 and say why.
# Usage: transfer_e2e.sh KIND CORVANE_CLI, KIND one of jackd:PERIOD, pipewire.
# Exit 0 on success, 1 on failure, 77 (skip) when the server cannot start (1 under CI=true).
set -euo pipefail

readonly kind=${1:?usage: transfer_e2e.sh KIND CORVANE_CLI} cli=${2:?usage: transfer_e2e.sh KIND CORVANE_CLI}
here=$(dirname "$0")
# shellcheck source=../support/processes.sh
source "$here/../support/processes.sh"
# shellcheck source=../support/test_skip.sh
source "$here/../support/test_skip.sh"
# shellcheck source=../support/midi_servers.sh
source "$here/../support/midi_servers.sh"
export CORVANE_MIDI_API=jack

start_midi_server "$kind"
start_monitor monitor
period=$(server_period)

"$cli" defaults >"$work/default.cvp"
"$cli" dump "$work/default.cvp" >"$work/expected.txt"

# 1. The ports list.
$jack "$cli" ports >"$work/ports.log" 2>&1 || fail "ports exited with $?"
[ "$(head -n 1 "$work/ports.log")" = "0: MIDI Mapper" ] || fail "ports does not start with the mapper"
grep -Eqx "[1-9][0-9]*: monitor:input" "$work/ports.log" || fail "ports does not list monitor:input"

# 2. One send, judged on what both ends logged from its start to its end.
xruns_before=$(server_xruns)
missed_before=$(missed_cycles monitor)
started=$(date +%s%N)
status=0
$jack "$cli" send "$work/default.cvp" --device-name monitor:input >"$work/send.log" 2>&1 || status=$?
elapsed_ms=$((($(date +%s%N) - started) / 1000000))
# The receiver writes what it got within a few ms of its cycle.
wait_for 10 sh -c "[ \$(grep -c . '$work/monitor.txt') -ge 10 ]" || true
xruns=$(($(server_xruns) - xruns_before))
missed=$(($(missed_cycles monitor) - missed_before))
arrived=$(packets monitor | wc -l)
((elapsed_ms <= 3000)) || fail "send took $elapsed_ms ms"
if ((status == 0)); then
    packets monitor | diff -u "$work/expected.txt" - >"$work/diff.log" ||
        fail "send reported success, but the receiver did not get exactly the default dump"
    gaps monitor | awk '$1 != 4800 { bad = 1 } END { exit bad }' ||
        fail "send reported success with gaps $(gaps monitor | tr '\n' ' ')frames, not all 4800"
    echo "$kind (period $period): ten packets exact, every gap 4800 server frames" \
        "($xruns xruns, $missed missed cycles logged); send took $elapsed_ms ms: $(cat "$work/send.log")"
else
    ((status == 1)) || fail "send exited with $status"
    grep -qE "^Couldn't send to midi out: .+" "$work/send.log" || fail "no reason given"
    claimed=$(sed -nE 's/.* ([0-9]+) of 10 (delivered|sent on time).*/\1/p' "$work/send.log")
    [ -n "$claimed" ] || fail "the report gives no count: $(cat "$work/send.log")"
    ((claimed <= arrived)) || fail "$claimed claimed, $arrived arrived"
    ((xruns + missed > 0)) ||
        fail "send reported a failure, but neither the server nor the receiver logged a fault: $(cat "$work/send.log")"
    echo "$kind (period $period): $xruns xruns and $missed missed cycles logged; the send said so:" \
        "$(tr '\n' ' ' <"$work/send.log")($arrived arrived)"
fi

# 3. No service at all.
[[ $kind == jackd:* ]] || exit 0
stop_started_processes
for command in "ports" "send $work/default.cvp --device 0"; do
    status=0
    # shellcheck disable=SC2086
    "$cli" $command >"$work/none.log" 2>&1 || status=$?
    ((status == 1)) || fail "'$command' without a MIDI service exited with $status, not 1"
    grep -q "JACK server not running" "$work/none.log" || fail "'$command' gave no clear reason"
done
echo "no service: ports and send exit 1 with: $(head -n 1 "$work/none.log")"
