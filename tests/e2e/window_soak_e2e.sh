#!/usr/bin/env bash
# The real editor, soaked: UPDATES (default 200) Updates of the default dump through the window
# to a monitor on a private jackd, while busy loops keep both cores loaded. Each dump arrives
# whole or is reported in a message box. The soak fails only on a dump lost without a report
# while neither the server (an xrun) nor the receiver (a missed cycle) logged a fault, on a
# crash, on a hang, or on a report backed by no logged fault; it prints its counts. Then the
# server is frozen and Exit must still end the editor within 3 s.
# Usage: window_soak_e2e.sh CORVANE_BINARY [UPDATES]
# Exit 0 on success, 1 on failure, 77 (skip) when Xvfb or jackd cannot start at all (1 under
# CI=true).
set -euo pipefail

readonly corvane=${1:?usage: window_soak_e2e.sh CORVANE_BINARY [UPDATES]}
readonly updates=${2:-200}
# shellcheck source=window_common.sh
source "$(dirname "$0")/window_common.sh"

start_window_test jackd:1024
start_editor
choose_device 1
wait_for 100 sh -c "jack_lsp -c monitor:input | grep -q '^ '" || fail "OK did not connect to the monitor"

# One busy loop a core, for as long as the test runs.
for _ in 1 2; do
    sh -c 'while :; do :; done' &
    pids+=($!)
done

count() { packets monitor | wc -l; }
# A report line still up from the dump before tells nothing of this one; its going does.
done_or_reported() { (($(count) >= before + 10)) || { [ "$line" = hidden ] && report_shown; }; }
whole=0 reported=0 reported_whole=0 unbacked=0 silent=0 silent_late=0
for ((n = 1; n <= updates; n++)); do
    before=$(count)
    line=$(report_state)
    faults_before=$(($(server_xruns) + $(missed_cycles monitor)))
    click_update
    # Ten pauses of 100 ms on a loaded machine: a dump ends well within 8 s.
    wait_for 80 done_or_reported || true
    (($(count) < before + 10)) || wait_dump_judged "$line"
    kill -0 "$editor_pid" 2>/dev/null || fail "update $n: the editor crashed"
    received=$(packets monitor | tail -n +$((before + 1)))
    ! message_shown || fail "update $n: a message box came up for the transfer"
    if report_shown; then
        reported=$((reported + 1))
        if (($(server_xruns) + $(missed_cycles monitor) == faults_before)); then
            echo "update $n: reported, but neither the server nor the receiver logged a fault"
            unbacked=$((unbacked + 1))
        fi
        [ "$received" = "$expected" ] && reported_whole=$((reported_whole + 1))
    elif [ "$received" = "$expected" ]; then
        whole=$((whole + 1))
    elif (($(server_xruns) + $(missed_cycles monitor) > faults_before)); then
        echo "update $n: $(($(count) - before)) of 10 arrived, nothing reported; a fault was logged"
        silent_late=$((silent_late + 1))
    else
        echo "update $n: $(($(count) - before)) of 10 arrived, nothing reported, the server ran well:"$'\n'"$received"
        silent=$((silent + 1))
    fi
done
echo "soak: $updates Updates under load: $whole whole, $reported reported ($reported_whole of them" \
    "arrived whole all the same), $((silent + silent_late)) silent ($silent_late while the server" \
    "logged a fault)"
((silent == 0)) || fail "$silent dumps were lost without a report while the server ran well"
((unbacked == 0)) || fail "$unbacked reports were backed by no logged fault"

kill -STOP "$server_pid"
on_exit 'kill -CONT "$server_pid" 2>/dev/null'
started=$(date +%s%N)
exit_editor
echo "frozen server: Exit ended the editor after $((($(date +%s%N) - started) / 1000000)) ms"
echo "PASS"
