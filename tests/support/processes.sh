# shellcheck shell=bash
# Shared by the shell tests. Source it first; it defines:
#   work                  a private folder for the test, removed at the end
#   pids                  the background processes the test started: it appends each pid, and
#                         the exit trap stops them newest first (a client before its server)
#   on_exit COMMAND       one more command for the exit trap, run before the processes stop
#   wait_for TENTHS COMMAND...   polls COMMAND every 0.05 s for up to TENTHS tenths of a second
#   fail TEXT             prints TEXT, a screen shot (when a display runs) and the ends of the
#                         logs in $work; exits 1
work=$(mktemp -d)
pids=()
exit_commands=()

on_exit() { exit_commands+=("$*"); }

# SIGTERM, then SIGKILL for one that is still there after 5 s.
stop_started_processes() {
    local i pid
    for ((i = ${#pids[@]} - 1; i >= 0; i--)); do
        pid=${pids[i]}
        kill -TERM "$pid" 2>/dev/null || continue
        wait_for 50 sh -c "! kill -0 $pid" || kill -KILL "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
    done
    pids=()
}

end_test() {
    local command
    for command in "${exit_commands[@]}"; do
        eval "$command" || true
    done
    stop_started_processes
    rm -rf "$work"
}
trap end_test EXIT

wait_for() {
    local tries=$(($1 * 2))
    shift
    until "$@" >/dev/null 2>&1; do
        ((--tries > 0)) || return 1
        sleep 0.05
    done
}

fail() {
    echo "FAIL: $*" >&2
    local shot="${TMPDIR:-/tmp}/corvane-e2e-failure-$$.png" log
    if [ -n "${DISPLAY:-}" ] && import -window root "$shot" 2>/dev/null; then
        echo "screen at the failure: $shot" >&2
    fi
    for log in "$work"/*.log "$work"/*.txt; do
        [ -s "$log" ] && { echo "--- $(basename "$log")" >&2; tail -n 20 "$log" >&2; }
    done
    exit 1
}
