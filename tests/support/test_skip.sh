# shellcheck shell=bash
# Shared by the shell tests that need something the machine may lack (a JACK server, an X
# display, a tool). Source it; it defines:
#   skip_test REASON...   ends the test as skipped (exit 77, "SKIP: REASON" on stderr), except
#                         under CI=true, where a test that cannot run fails (exit 1) so that a
#                         runner without JACK or a display never passes as green
skip_test() {
    if [ "${CI:-}" = "true" ]; then
        echo "FAIL: $* (CI=true: a test that cannot run fails instead of skipping)" >&2
        exit 1
    fi
    echo "SKIP: $*" >&2
    exit 77
}
