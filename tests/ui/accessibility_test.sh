#!/usr/bin/env bash
# The real editor under a private X display and a private session bus: its accessibility tree,
# read over AT-SPI, must name every control and label the device dialog's list.
#   accessibility_test.sh path/to/corvane
set -uo pipefail

editor=${1:?usage: accessibility_test.sh path/to/corvane}
here=$(dirname "$0")
# shellcheck source=../support/processes.sh
source "$here/../support/processes.sh"
# shellcheck source=../support/test_skip.sh
source "$here/../support/test_skip.sh"
# shellcheck source=../support/private_display.sh
source "$here/../support/private_display.sh"
for tool in Xvfb dbus-run-session; do
    command -v "$tool" >/dev/null || skip_test "$tool is not installed"
done
# The distribution's Python holds the bindings, whatever python3 comes first in PATH.
python=""
for candidate in python3 /usr/bin/python3; do
    if "$candidate" -c 'import pyatspi' 2>/dev/null; then
        python=$candidate
        break
    fi
done
[ -n "$python" ] || skip_test "python3-pyatspi is not installed"

start_private_display "$work" 1200x1000
# The session bus, and the accessibility bus it starts, end with the script's session.
timeout 80 dbus-run-session -- "$python" "$here/atspi_names.py" "$editor"
