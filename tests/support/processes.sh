# shellcheck shell=bash
# Shared by the shell tests that start background processes. A test appends the pid of each
# process it starts to the array pids; stop_started_processes, called from its exit trap,
# stops them newest first (a client before its server) and waits for each.
pids=()
stop_started_processes() {
    local i
    for ((i = ${#pids[@]} - 1; i >= 0; i--)); do
        kill "${pids[i]}" 2>/dev/null || true
        wait "${pids[i]}" 2>/dev/null || true
    done
    pids=()
}
