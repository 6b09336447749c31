#!/usr/bin/env bash
# The real editor, soaked: UPDATES (default 200) Updates of the default dump through the window
# while busy loops keep both cores loaded. Each dump must either arrive whole on the monitor
# or be reported in a message box; a dump with a packet missing and no message is a failure.
# Then the JACK server is frozen (SIGSTOP) and Exit must still end the editor within 3 s.
# Usage: window_soak_e2e.sh CORVANE_BINARY [UPDATES]
# Exit 0 on success, 1 on failure, 77 (skip) when Xvfb or jackd cannot start at all (1 under
# CI=true).
set -euo pipefail

readonly corvane=${1:?usage: window_soak_e2e.sh CORVANE_BINARY [UPDATES]}
readonly updates=${2:-200}
readonly monitor="corvane-soak-$$"

# shellcheck source=jack_common.sh
source "$(dirname "$0")/jack_common.sh"
# shellcheck source=window_common.sh
source "$(dirname "$0")/window_common.sh"

start_display
start_jack_monitor
start_editor
choose_monitor
expected=$(printf '%s\n' \
    "F0 7D 12 34 31 04 00 07 00 0B 64 00 7F 7F 7F F7" \
    "F0 7D 12 34 31 04 01 7F 7F 7F 7F 7F 7F 7F 7F F7" \
    "F0 7D 12 34 31 04 02 7E 7F 7F 7F 7F 7F 7F 00 F7" \
    "F0 7D 12 34 31 04 03 00 01 02 05 07 0A 0B 40 F7" \
    "F0 7D 12 34 31 04 04 00 41 42 43 50 51 5B 5D F7" \
    "F0 7D 12 34 31 04 05 00 78 79 7B 01 01 01 05 F7" \
    "F0 7D 12 34 31 04 06 03 41 00 42 12 40 7F 7F F7" \
    "F0 7D 12 34 31 04 07 7F 7F 7F 7F 7F 7F 7F 7F F7" \
    "F0 7D 12 34 31 04 08 60 7F 7F 7F 7F 7F 7F 7F F7" \
    "F0 7D 12 34 31 04 7F 00 7F 7F 7F 7F 7F 7F 7F F7")

# One busy loop a core, for as long as the test runs.
for _ in 1 2; do
    sh -c 'while :; do :; done' &
    pids+=($!)
done

whole=0 reported=0 reported_whole=0 silent=0
for ((n = 1; n <= updates; n++)); do
    before=$(packet_count)
    click "$main" 416 640 81 33
    outcome=""
    # Ten pauses of 100 ms, the drain and a busy machine: a dump ends well within 8 s.
    for _ in $(seq 160); do
        if message_shown; then
            outcome=reported
            break
        fi
        if (($(packet_count) >= before + 10)); then
            # A report, if any, follows the drain of the last packet: the editor waits 0.7 s
            # for late news of an xrun before it settles, and is busy until then.
            sleep 1.2
            message_shown && outcome=reported || outcome=whole
            break
        fi
        sleep 0.05
    done
    sleep 0.1
    received=$(packets | tail -n +$((before + 1)))
    arrived=$(($(packet_count) - before))
    case $outcome in
        whole)
            if [ "$received" = "$expected" ]; then
                whole=$((whole + 1))
            else
                echo "update $n: a wrong dump arrived and nothing was reported:"$'\n'"$received"
                silent=$((silent + 1))
            fi
            ;;
        reported)
            close_message
            reported=$((reported + 1))
            [ "$received" = "$expected" ] && reported_whole=$((reported_whole + 1))
            ;;
        *)
            echo "update $n: $arrived of 10 packets arrived and nothing was reported"
            silent=$((silent + 1))
            ;;
    esac
    # The monitor may print late packets of a reported dump: let them come before counting.
    [ "$outcome" = reported ] && sleep 0.5
done
echo "soak: $updates Updates under load: $whole whole, $reported reported" \
    "($reported_whole of them arrived whole all the same), $silent incomplete and not reported"
((silent == 0)) || fail "$silent dumps were incomplete and not reported"

# A frozen server: Exit still ends the editor.
kill -STOP "$jackd_pid"
started=$(date +%s%N)
click "$main" 528 640 81 33
wait_for 30 sh -c "! kill -0 $editor_pid 2>/dev/null" ||
    { kill -CONT "$jackd_pid"; fail "Exit with a frozen server did not end the editor in 3 s"; }
elapsed_ms=$((($(date +%s%N) - started) / 1000000))
kill -CONT "$jackd_pid"
echo "frozen server: Exit ended the editor after ${elapsed_ms} ms"
echo "PASS"
