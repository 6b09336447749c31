#!/usr/bin/env bash
# corvane-cli against a private MIDI server, watched by jack_midi_dump:
#  1. `ports` lists "0: MIDI Mapper" first and the monitor's input as a device;
#  2. `send` to the monitor delivers the default dump byte for byte, every gap exactly 4800
#     frames (100 ms at 48 kHz) on the server's clock, and ends within 3 s. Where the server
#     logged an xrun during the send, the report must say the dump may not have arrived (exit
#     1, no more claimed delivered than arrived); it is not tried again;
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

# 2. One send. The xruns that count are those the server logged from the first packet's
# arrival to the last one's.
started=$(date +%s%N)
$jack "$cli" send "$work/default.cvp" --device-name monitor:input >"$work/send.log" 2>&1 &
sender=$!
arrived_or_ended() { (($(grep -c . "$work/monitor.txt") >= $1)) || ! kill -0 "$sender" 2>/dev/null; }
wait_for 30 arrived_or_ended 1 || true
xruns_before=$(server_xruns)
wait_for 30 arrived_or_ended 10 || true
xruns=$(($(server_xruns) - xruns_before))
status=0
wait "$sender" || status=$?
elapsed_ms=$((($(date +%s%N) - started) / 1000000))
wait_for 10 sh -c "[ \$(grep -c . '$work/monitor.txt') -ge 10 ]" || true
arrived=$(packets monitor | wc -l)
((elapsed_ms <= 3000)) || fail "send took $elapsed_ms ms"
if ((status == 0)); then
    ((xruns == 0)) || fail "the server logged an xrun during the dump, which reported success"
    packets monitor | diff -u "$work/expected.txt" - >"$work/diff.log" ||
        fail "the monitor did not receive exactly the default dump"
    gaps monitor | awk '$1 != 4800 { bad = 1 } END { exit bad }' ||
        fail "gaps $(gaps monitor | tr '\n' ' ')frames, not all 4800"
    echo "$kind (period $period): ten packets exact, every gap 4800 frames; send took $elapsed_ms ms"
else
    ((status == 1)) || fail "send exited with $status"
    grep -q "Couldn't send to midi out:" "$work/send.log" || fail "no failure message"
    claimed=$(sed -nE 's/.* ([0-9]+) of 10 delivered.*/\1/p' "$work/send.log")
    ((claimed <= arrived)) || fail "$claimed claimed delivered, $arrived arrived"
    ((xruns > 0)) || grep -qE "xrun|a cycle without" "$work/send.log" ||
        fail "send failed although the server ran well: $(cat "$work/send.log")"
    echo "$kind (period $period): the server ran late ($xruns xruns logged); the send said so:" \
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
