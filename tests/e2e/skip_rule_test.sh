#!/usr/bin/env bash
# The JACK end-to-end tests on a machine whose jackd cannot start (a stand-in that exits at
# once comes first on PATH): skipped (77) outside CI, failed (1) under CI=true.
# Usage: skip_rule_test.sh CORVANE_CLI
set -u
readonly cli=${1:?usage: skip_rule_test.sh CORVANE_CLI}
here=$(dirname "$0")
stubs=$(mktemp -d)
trap 'rm -rf "$stubs"' EXIT
printf '#!/bin/sh\nexit 1\n' >"$stubs/jackd"
chmod +x "$stubs/jackd"

failures=0
while read -r script args ci expected; do
    [ "$args" = "-" ] && args=""
    # shellcheck disable=SC2086
    if [ "$ci" = "unset" ]; then
        env -u CI PATH="$stubs:$PATH" "$here/$script" $args "$cli" >/dev/null 2>&1
    else
        CI=$ci PATH="$stubs:$PATH" "$here/$script" $args "$cli" >/dev/null 2>&1
    fi
    actual=$?
    if [ "$actual" != "$expected" ]; then
        echo "FAIL: $script with CI $ci: exit $actual, expected $expected"
        failures=$((failures + 1))
    fi
done <<'CASES'
transfer_e2e.sh jackd:256 unset 77
transfer_e2e.sh jackd:256 false 77
transfer_e2e.sh jackd:256 true 1
jack_fault_e2e.sh - unset 77
jack_fault_e2e.sh - true 1
CASES
exit $((failures > 0))
