# shellcheck shell=bash
# Shared by the shell tests that start their own X display. Source it after processes.sh and
# test_skip.sh; it defines:
#   start_private_display WORK_DIR [WIDTHxHEIGHT]
#       starts Xvfb on the first free display number, exports DISPLAY and adds it to pids (so it
#       stops after everything started later); skips the test when Xvfb does not start
start_private_display() {
    local work=$1 size=${2:-1200x1000}
    # -noreset: a reset when the last client leaves would refuse a client that connects meanwhile.
    Xvfb -displayfd 3 -screen 0 "${size}x24" -nolisten tcp -noreset 3>"$work/display" >/dev/null 2>&1 &
    pids+=($!)
    wait_for 100 test -s "$work/display" || true
    [ -s "$work/display" ] || skip_test "Xvfb did not start"
    DISPLAY=":$(head -1 "$work/display")"
    export DISPLAY
}
