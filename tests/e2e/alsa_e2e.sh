#!/usr/bin/env bash
# corvane-cli on a real ALSA sequencer, in a kernel guest (tests/support/alsa_guest.sh), against
# receivers that stamp each packet with their queue's real time (tests/support/alsa_receiver):
#  1. `ports` lists "0: MIDI Mapper" first, Midi Through, the four VirMIDI ports and a receiver;
#  2. `send` to the receiver delivers the default dump byte for byte, every gap 100 ms ± 1 ms on
#     the receiver's clock;
#  3. a receiver that dies after its third packet: the send exits 1, says that the receiver went
#     away, and claims no more delivered than arrived;
#  4. the receiver ended and started again under its name: the next send by name delivers;
#  5. ten sends in a row: 100 of 100 packets, each send's gaps 100 ms ± 1 ms;
#  6. one service kept open (tests/support/alsa_sender): the receiver gone is reported, and once
#     it is back under its name the next dump is delivered to it;
#  7. the mapper: reported while connected to nothing, delivered once connected with aconnect.
# Usage: alsa_e2e.sh CORVANE_CLI ALSA_RECEIVER ALSA_SENDER (absolute paths). Exit 0 on success, 1 on
# failure, 77 (skip) when the guest cannot boot (1 under CI=true).
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=../support/processes.sh
source "$here/../support/processes.sh"
# shellcheck source=../support/test_skip.sh
source "$here/../support/test_skip.sh"

if [ "${1:-}" != --in-guest ]; then
    readonly usage="usage: alsa_e2e.sh CORVANE_CLI ALSA_RECEIVER ALSA_SENDER"
    cli=${1:?$usage} receiver=${2:?$usage} sender=${3:?$usage}
    # shellcheck source=../support/alsa_guest.sh
    source "$here/../support/alsa_guest.sh"
    mkdir "$work/results"
    status=0
    run_in_alsa_guest "$work/results" "$here/alsa_e2e.sh" --in-guest "$cli" "$receiver" "$sender" || status=$?
    cat "$work/results/guest.log"
    exit "$status"
fi

readonly cli=$2 receiver=$3 sender=$4
export CORVANE_MIDI_API=alsa
[ -e /dev/snd/seq ] || fail "the guest has no /dev/snd/seq"

# start_receiver NAME [STOP_AFTER]: its output in $work/NAME.txt; pid in receiver_pid.
start_receiver() {
    # Not holding the sender's input open (descriptor 7).
    "$receiver" "$@" >"$work/$1.txt" 2>"$work/$1.log" 7>&- &
    receiver_pid=$!
    pids+=("$receiver_pid")
    wait_for 100 grep -qx ready "$work/$1.txt" || fail "receiver $1 did not start"
}
packets() { grep -vx ready "$work/$1.txt" | cut -d' ' -f2- || true; }
arrived() { packets "$1" | grep -c . || true; }
# gaps NAME FIRST LAST: the gaps in ms from each of NAME's packets FIRST to LAST (counted from
# 1) to the one before, one a line.
gaps() {
    grep -vx ready "$work/$1.txt" | awk -v from="$2" -v to="$3" \
        'NR > from && NR <= to { printf "%.3f\n", ($1 - last) / 1e6 } { last = $1 }'
}
gaps_exact() { gaps "$@" | awk '$1 < 99 || $1 > 101 { bad = 1 } END { exit bad || NR == 0 }'; }
span() { gaps "$@" | sort -n | sed -n '1p;$p' | tr '\n' ' '; }
# send NAME LOG: sends the default preset to the device named NAME; its exit status in `status`.
send() {
    local started=$SECONDS
    status=0
    "$cli" send "$work/default.cvp" --device-name "$1" >"$work/$2" 2>&1 || status=$?
    ((SECONDS - started <= 3)) || fail "send to $1 took $((SECONDS - started)) s"
}

"$cli" defaults >"$work/default.cvp"
"$cli" dump "$work/default.cvp" >"$work/expected.txt"
start_receiver rx
rx_pid=$receiver_pid

# 1. The ports list.
"$cli" ports >"$work/ports.log" 2>&1 || fail "ports exited with $?"
[ "$(head -n 1 "$work/ports.log")" = "0: MIDI Mapper" ] || fail "ports does not start with the mapper"
grep -Eq '^[1-9][0-9]*: Midi Through:' "$work/ports.log" || fail "ports does not list Midi Through"
(($(grep -c ': Virtual Raw MIDI' "$work/ports.log") == 4)) || fail "ports does not list four VirMIDI ports"
grep -Eq '^[1-9][0-9]*: rx:in [0-9]+:0$' "$work/ports.log" || fail "ports does not list rx:in"
! grep -q 'Corvane' "$work/ports.log" || fail "ports lists our own port"
echo "ports: $(tail -n +2 "$work/ports.log" | tr '\n' ';')"

# 2. One send, byte for byte, on the kernel's time.
send rx:in send.log
((status == 0)) || fail "send to rx exited $status: $(cat "$work/send.log")"
wait_for 20 sh -c "[ \$(grep -vcx ready '$work/rx.txt') -ge 10 ]" || true
packets rx | diff -u "$work/expected.txt" - >"$work/diff.log" || fail "rx did not receive exactly the default dump"
gaps_exact rx 1 10 || fail "gaps $(gaps rx 1 10 | tr '\n' ' ')ms, not all 100 ms ± 1 ms"
echo "send: ten packets exact, gaps $(span rx 1 10)ms on the receiver's queue clock"

# 3. A receiver that dies after its third packet.
start_receiver dies 3
send dies:in dies-send.log
((status == 1)) || fail "send to a receiver that died exited $status: $(cat "$work/dies-send.log")"
grep -q "went away" "$work/dies-send.log" || fail "the report does not say the receiver went away: $(cat "$work/dies-send.log")"
claimed=$(sed -nE 's/.* ([0-9]+) of 10 delivered.*/\1/p' "$work/dies-send.log")
got=$(arrived dies)
((got >= 3 && claimed <= got)) || fail "$claimed claimed delivered, $got arrived"
echo "receiver died: $(tr '\n' ' ' <"$work/dies-send.log")($got arrived)"

# 4. The receiver ended and back under its name.
kill -TERM "$rx_pid"
wait "$rx_pid" 2>/dev/null || true
mv "$work/rx.txt" "$work/rx-first.txt"
start_receiver rx
send rx:in replug.log
((status == 0)) || fail "send to rx back under its name exited $status: $(cat "$work/replug.log")"
wait_for 20 sh -c "[ \$(grep -vcx ready '$work/rx.txt') -ge 10 ]" || true
packets rx | diff -u "$work/expected.txt" - >"$work/diff.log" || fail "rx back under its name did not receive the dump"
echo "replug: the next send by name delivered all ten"

# 5. Ten sends in a row.
for i in $(seq 2 11); do
    send rx:in "send-$i.log"
    ((status == 0)) || fail "send $i exited $status: $(cat "$work/send-$i.log")"
done
wait_for 20 sh -c "[ \$(grep -vcx ready '$work/rx.txt') -ge 110 ]" || true
got=$(arrived rx)
((got == 110)) || fail "$((got - 10)) of 100 packets arrived in ten sends"
for _ in $(seq 11); do cat "$work/expected.txt"; done >"$work/expected-11.txt"
packets rx | diff -u "$work/expected-11.txt" - >"$work/diff.log" || fail "the ten sends' bytes differ"
for i in $(seq 1 10); do
    gaps_exact rx $((i * 10 + 1)) $((i * 10 + 10)) ||
        fail "send $i: gaps $(gaps rx $((i * 10 + 1)) $((i * 10 + 10)) | tr '\n' ' ')ms"
    gaps rx $((i * 10 + 1)) $((i * 10 + 10))
done | sort -n | sed -n '1p;$p' | tr '\n' ' ' >"$work/ten-gaps"
echo "ten sends: 100 of 100 packets exact, gaps $(cat "$work/ten-gaps")ms"

# 6. One service kept open: the receiver gone, then back under its name.
# start_sender TEXT: the sender on the device named TEXT, fed through descriptor 7.
start_sender() {
    rm -f "$work/to-sender"
    mkfifo "$work/to-sender"
    "$sender" "$1" <"$work/to-sender" >"$work/sender.txt" 2>&1 &
    sender_pid=$!
    pids+=("$sender_pid")
    exec 7>"$work/to-sender"
    wait_for 100 grep -qx open "$work/sender.txt" || fail "the sender did not open '$1'"
    dumps=0
}
# dump EXPECTED: one more dump; its report must start with EXPECTED.
dump() {
    echo send >&7
    dumps=$((dumps + 1))
    wait_for 50 sh -c "[ \$(grep -c delivered '$work/sender.txt') -ge $dumps ]" ||
        fail "dump $dumps was not reported"
    report=$(grep delivered "$work/sender.txt" | tail -n 1)
    [[ $report == "$1"* ]] || fail "dump $dumps: '$report', not '$1...'"
}
rx_pid=$receiver_pid
start_sender rx:in
dump "10 of 10 delivered"
kill -TERM "$rx_pid"
wait "$rx_pid" 2>/dev/null || true
dump "0 of 10 delivered The receiving port rx:in"
gone_report=$report
mv "$work/rx.txt" "$work/rx-second.txt"
start_receiver rx
dump "10 of 10 delivered"
wait_for 20 sh -c "[ \$(grep -vcx ready '$work/rx.txt') -ge 10 ]" || true
packets rx | diff -u "$work/expected.txt" - >"$work/diff.log" || fail "rx plugged in again did not receive the dump"
gaps_exact rx 1 10 || fail "replugged: gaps $(gaps rx 1 10 | tr '\n' ' ')ms"
echo "one service: gone: '$gone_report'; back under its name: all ten, gaps $(span rx 1 10)ms"

# 7. The mapper.
exec 7>&-
wait "$sender_pid" || fail "the sender exited with $?"
start_sender ""
dump "0 of 10 delivered The Corvane port was not connected to anything"
aconnect Corvane:0 "$("$cli" ports | sed -nE 's/^[0-9]+: rx:in ([0-9]+:0)$/\1/p')" ||
    fail "aconnect could not connect the mapper"
echo send >&7 # a second dump as soon as the first has ended
dumps=$((dumps + 1))
dump "10 of 10 delivered"
[[ $(grep delivered "$work/sender.txt" | tail -n 2 | head -n 1) == "10 of 10 delivered"* ]] ||
    fail "the first of two dumps on the mapper: $(tail -n 2 "$work/sender.txt")"
wait_for 20 sh -c "[ \$(grep -vcx ready '$work/rx.txt') -ge 30 ]" || true
for first in 11 21; do
    gaps_exact rx $first $((first + 9)) || fail "mapper: gaps $(gaps rx 11 30 | tr '\n' ' ')ms"
done
pause=$(gaps rx 20 21)
awk -v p="$pause" 'BEGIN { exit !(p >= 99) }' || fail "the second dump followed the first after $pause ms"
echo "mapper: reported while unrouted; after aconnect two dumps in a row, all twenty, gaps" \
    "$({ gaps rx 11 20; gaps rx 21 30; } | sort -n | sed -n '1p;$p' | tr '\n' ' ')ms, $pause ms between them"
