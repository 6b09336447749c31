#!/usr/bin/env bash
# Faults of the JACK server or of the receiving port in the middle of `corvane-cli send`. In
# every case send must end in time with exit 1, say why, and never count a packet as
# delivered that the monitor did not receive:
#   killed     the server is killed (SIGKILL)
#   frozen     the server is stopped (SIGSTOP) for good: open, send and close must not hang
#   stalled    the server is stopped for 2.6 s, then continues (SIGCONT)
#   receiver   the receiving port's program is killed
#   paused     the receiving port's program is stopped for 0.8 s, then continues: the server
#              drops what it sends meanwhile, and its news of that comes late
# Usage: jack_fault_e2e.sh CORVANE_CLI [CASE...]
# Exit 0 on success, 1 on failure, 77 (skip) when jackd cannot start at all (1 under CI=true).
set -euo pipefail

readonly cli=${1:?usage: jack_fault_e2e.sh CORVANE_CLI [CASE...]}
shift
readonly monitor="corvane-fault-dump-$$"
# shellcheck source=jack_common.sh
source "$(dirname "$0")/jack_common.sh"
# shellcheck source=../support/test_skip.sh
source "$(dirname "$0")/../support/test_skip.sh"
export CORVANE_MIDI_API=jack

work=$(mktemp -d)
pids=()
stop_pids() {
    local pid
    for pid in "${pids[@]}"; do
        kill -9 "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
    done
    pids=()
}
cleanup() {
    stop_pids
    [ -n "$JACK_PID" ] && kill -CONT "$JACK_PID" 2>/dev/null
    jack_stop
    rm -rf "$work"
}
trap cleanup EXIT

fail() {
    echo "FAIL: $*" >&2
    [ -s "$work/send.log" ] && cat "$work/send.log" >&2
    exit 1
}

has_port() { jack_lsp | grep -qx "$1"; }
received() { grep -ciE 'f0( [0-9a-f]{2}){14} f7' "$work/received.txt" || true; }

command -v jackd >/dev/null || skip_test "jackd is not installed (package jackd2)"
"$cli" defaults >"$work/default.cvp"

# Starts a server and the monitor, starts send, lets it run for $1 s once it has connected to
# the monitor, then runs the fault
# $2..., waits up to $3 tenths of a second for send to end; sets status and elapsed_ms.
run_case() {
    local delay=$1 limit=$2 started sender
    shift 2
    jack_start_private corvane-fault "$work/jackd.log" -d dummy -p 256 -r 48000 || {
        cat "$work/jackd.log" >&2
        skip_test "jackd could not start a dummy server"
    }
    stdbuf -oL jack_midi_dump "$monitor" >"$work/received.txt" 2>/dev/null &
    monitor_pid=$!
    pids+=("$monitor_pid")
    wait_for 50 has_port "$monitor:input" || fail "jack_midi_dump did not register its port"
    started=$(date +%s%N)
    "$cli" send "$work/default.cvp" --device-name "$monitor:input" >"$work/send.log" 2>&1 &
    sender=$!
    wait_for 50 sh -c "jack_lsp -c '$monitor:input' | grep -q '^ '" ||
        fail "$case: send did not connect to the monitor"
    sleep "$delay"
    "$@"
    for _ in $(seq $((limit * 2))); do
        kill -0 "$sender" 2>/dev/null || break
        sleep 0.05
    done
    if kill -0 "$sender" 2>/dev/null; then
        kill -9 "$sender"
        fail "$case: send still runs $((limit / 10)).$((limit % 10)) s after the fault"
    fi
    status=0
    wait "$sender" || status=$?
    elapsed_ms=$((($(date +%s%N) - started) / 1000000))
    sleep 0.2
}

# The server is gone for good or frozen: take it out of the way for the next case.
end_server() {
    kill -9 "$JACK_PID" 2>/dev/null || true
    wait "$JACK_PID" 2>/dev/null || true
    JACK_PID=""
    stop_pids
}

# send's claim "N of 10 delivered" must not exceed what the monitor received.
expect_honest_failure() {
    echo "$case: exit $status after ${elapsed_ms} ms, $(received) received:" \
        "$(tr '\n' ' ' <"$work/send.log")"
    ((status == 1)) || fail "$case: send exited with $status, not 1"
    grep -q "Couldn't send to midi out:" "$work/send.log" || fail "$case: no failure message"
    local claimed
    claimed=$(sed -nE 's/.* ([0-9]+) of 10 delivered.*/\1/p' "$work/send.log")
    [ -n "$claimed" ] || fail "$case: send did not say how many packets were delivered"
    ((claimed <= $(received))) || fail "$case: $claimed claimed delivered, $(received) received"
}

kill_server() { kill -9 "$JACK_PID"; }
freeze_server() { kill -STOP "$JACK_PID"; }
kill_receiver() { kill -9 "$monitor_pid"; }
pause_receiver() {
    kill -STOP "$monitor_pid"
    sleep 0.8
    kill -CONT "$monitor_pid"
}
stall_server() {
    kill -STOP "$JACK_PID"
    sleep 2.6
    kill -CONT "$JACK_PID"
}

# Ten pauses of 100 ms plus the bounded waits for the close and the drain: well under 5 s.
cases=("$@")
((${#cases[@]} > 0)) || cases=(killed frozen stalled receiver paused)
for case in "${cases[@]}"; do
        case $case in
            killed)
                run_case 0.2 40 kill_server
                grep -q "JACK server has stopped" "$work/send.log" ||
                    fail "$case: send did not say the server stopped"
                ((elapsed_ms >= 1000)) || fail "$case: send gave up after ${elapsed_ms} ms"
                expect_honest_failure
                end_server
                ;;
            frozen)
                run_case 0.2 50 freeze_server
                expect_honest_failure
                end_server
                ;;
            stalled)
                run_case 0.2 60 stall_server
                expect_honest_failure
                end_server
                ;;
            receiver)
                run_case 0.2 30 kill_receiver
                expect_honest_failure
                stop_pids
                jack_stop
                ;;
            paused)
                run_case 0.1 40 pause_receiver
                if (($(received) == 10 && status == 0)); then
                    echo "$case: exit 0 after ${elapsed_ms} ms, all 10 received"
                else
                    expect_honest_failure
                fi
                stop_pids
                jack_stop
                ;;
            *) fail "unknown case $case" ;;
        esac
done
echo "PASS"
