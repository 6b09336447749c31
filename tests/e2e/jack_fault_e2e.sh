#!/usr/bin/env bash
# The JACK server killed (SIGKILL) or frozen for good (SIGSTOP) in the middle of `corvane-cli
# send`: send must end with exit 1, say why, and claim no packet as delivered that the monitor
# did not receive; it must not hang on the frozen server: the dump ends within 3 s of the start,
# and the close that follows gives up after its own 1 s. Case "ending": the server killed as the
# last packet arrives, while send reports and ends: it exits 0 or 1 and nothing runs into freed
# memory (run from the sanitizer build, AddressSanitizer would end it otherwise).
# Usage: jack_fault_e2e.sh CORVANE_CLI [CASE...]   (cases: killed frozen ending)
# Exit 0 on success, 1 on failure, 77 (skip) when jackd cannot start at all (1 under CI=true).
set -euo pipefail

readonly cli=${1:?usage: jack_fault_e2e.sh CORVANE_CLI [CASE...]}
shift
here=$(dirname "$0")
# shellcheck source=../support/processes.sh
source "$here/../support/processes.sh"
# shellcheck source=../support/test_skip.sh
source "$here/../support/test_skip.sh"
# shellcheck source=../support/midi_servers.sh
source "$here/../support/midi_servers.sh"
export CORVANE_MIDI_API=jack
# A frozen server is let go before the processes are stopped.
on_exit '[ -n "$server_pid" ] && kill -CONT "$server_pid" 2>/dev/null'

"$cli" defaults >"$work/default.cvp"
cases=("$@")
((${#cases[@]} > 0)) || cases=(killed frozen ending)
for case in "${cases[@]}"; do
    case $case in
        killed) signal=KILL reason="The JACK server has stopped." ;;
        frozen) signal=STOP reason="The JACK server stopped running" ;;
        ending) signal=KILL reason="" ;;
        *) fail "unknown case $case" ;;
    esac
    start_midi_server jackd:256
    start_monitor monitor
    started=$(date +%s%N)
    "$cli" send "$work/default.cvp" --device-name monitor:input >"$work/send.log" 2>&1 &
    sender=$!
    if [ "$case" = ending ]; then
        wait_for 50 sh -c "[ \$(grep -c . '$work/monitor.txt') -ge 10 ]" ||
            fail "$case: the dump did not arrive"
    else
        wait_for 50 sh -c "[ \$(grep -c . '$work/monitor.txt') -ge 3 ]" ||
            fail "$case: the dump did not begin"
    fi
    kill "-$signal" "$server_pid"
    wait_for 40 sh -c "! kill -0 $sender" || fail "$case: send still runs 4 s after the fault"
    status=0
    wait "$sender" || status=$?
    elapsed_ms=$((($(date +%s%N) - started) / 1000000))
    arrived=$(packets monitor | wc -l)
    echo "$case: exit $status after $elapsed_ms ms, $arrived arrived: $(tr '\n' ' ' <"$work/send.log")"
    ! grep -qE "AddressSanitizer|runtime error" "$work/send.log" || fail "$case: the sanitizer found a fault"
    if [ "$case" = ending ]; then
        ((status <= 1)) || fail "$case: send exited with $status"
        kill -CONT "$server_pid" 2>/dev/null || true
        stop_started_processes
        server_pid=""
        continue
    fi
    ((status == 1)) || fail "$case: send exited with $status, not 1"
    ((elapsed_ms <= 4000)) || fail "$case: send ended $elapsed_ms ms after its start"
    grep -qF "$reason" "$work/send.log" || fail "$case: send did not say \"$reason\""
    claimed=$(sed -nE 's/.* ([0-9]+) of 10 (delivered|sent on time).*/\1/p' "$work/send.log")
    ((claimed <= arrived)) || fail "$case: $claimed claimed delivered, $arrived arrived"
    kill -CONT "$server_pid" 2>/dev/null || true
    stop_started_processes
    server_pid=""
done
echo "PASS"
