#!/usr/bin/env bash
# The JACK server dies in the middle of a transfer: corvane-cli send must neither crash nor
# hang, must still finish the series, and must report the failure with exit 1.
# Usage: jack_fault_e2e.sh CORVANE_CLI
# Exit 0 on success, 1 on failure, 77 (skip) when jackd cannot start at all (1 under CI=true).
set -euo pipefail

readonly cli=${1:?usage: jack_fault_e2e.sh CORVANE_CLI}
readonly monitor="corvane-fault-dump-$$"
# shellcheck source=jack_common.sh
source "$(dirname "$0")/jack_common.sh"
# shellcheck source=../support/test_skip.sh
source "$(dirname "$0")/../support/test_skip.sh"
export CORVANE_MIDI_API=jack

work=$(mktemp -d)
pids=()
cleanup() {
    local pid
    for pid in "${pids[@]}"; do
        kill -9 "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
    done
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

command -v jackd >/dev/null || skip_test "jackd is not installed (package jackd2)"
if ! jack_start_private corvane-fault "$work/jackd.log" -d dummy -p 256 -r 48000; then
    cat "$work/jackd.log" >&2
    skip_test "jackd could not start a dummy server"
fi
jack_midi_dump -r "$monitor" >"$work/received.txt" 2>/dev/null &
pids+=($!)
wait_for 50 has_port "$monitor:input" || fail "jack_midi_dump did not register its port"

"$cli" defaults >"$work/default.cvp"
started=$(date +%s%N)
"$cli" send "$work/default.cvp" --device-name "$monitor:input" >"$work/send.log" 2>&1 &
sender=$!
sleep 0.35
kill -9 "$JACK_PID"

# Ten pauses of 100 ms, plus up to one second that the JACK client library waits for its
# queue to drain when the port is closed, plus start-up: well under 4 s.
for _ in $(seq 80); do
    kill -0 "$sender" 2>/dev/null || break
    sleep 0.05
done
kill -0 "$sender" 2>/dev/null && { kill -9 "$sender"; fail "send still runs 4 s after the server died"; }
status=0
wait "$sender" || status=$?
elapsed_ms=$((($(date +%s%N) - started) / 1000000))

((status == 1)) || fail "send exited with $status after the server died, not 1"
grep -q "JACK server has stopped" "$work/send.log" || fail "send did not say the server stopped"
((elapsed_ms >= 1000)) || fail "send gave up after ${elapsed_ms} ms, before the ten pauses"
echo "server killed mid-transfer: exit 1 after ${elapsed_ms} ms: $(cat "$work/send.log")"
