#!/usr/bin/env bash
# Builds the Debian package from the build folder, checks its control data, unpacks it and runs
# the unpacked programs: `corvane --version` with no display, `corvane-cli dump` of a preset, and
# the unpacked editor through Device, OK and Update on a private display and JACK server, which
# loads the MIDI module from the package's library folder.
# Usage: package_test.sh BUILD_DIR
set -euo pipefail

readonly build=${1:?usage: package_test.sh BUILD_DIR}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

fail() { echo "FAIL: $*" >&2; exit 1; }

cpack --config "$build/CPackConfig.cmake" -G DEB -B "$work/out" >"$work/cpack.log" 2>&1 ||
    { cat "$work/cpack.log" >&2; fail "cpack failed"; }
debs=("$work"/out/corvane_*.deb)
[ -f "${debs[0]}" ] || fail "cpack made no corvane_*.deb"
deb=${debs[0]}
echo "ok: $(basename "$deb")"

info=$(dpkg-deb -I "$deb")
depends=$(sed -n 's/^ Depends: //p' <<<"$info")
echo "Depends: $depends"
for library in libqt6widgets6 librtmidi6 libjack libasound2 libstdc++6 qt6-qpa-plugins; do
    grep -q "$library" <<<"$depends" || fail "Depends does not name $library"
done
dpkg-deb -c "$deb" | grep ' ./usr/bin/corvane$' >/dev/null || fail "the package holds no /usr/bin/corvane"

dpkg-deb -x "$deb" "$work/root"
version=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$work/root/usr/bin/corvane" --version) ||
    fail "corvane --version failed without a display"
grep -qE '^corvane [0-9]+\.[0-9]+\.[0-9]+$' <<<"$version" || fail "unexpected version line: $version"
echo "ok: $version"

status=0
message=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$work/root/usr/bin/corvane" 2>&1) ||
    status=$?
[ "$status" -eq 1 ] || fail "corvane without a display exited with $status"
[ "$message" = "corvane: cannot open a display (DISPLAY / WAYLAND_DISPLAY not set)" ] ||
    fail "corvane without a display said: $message"
echo "ok: without a display corvane says so and exits 1"

cli=$work/root/usr/bin/corvane-cli
"$cli" defaults >"$work/start.cvp"
lines=$("$cli" dump "$work/start.cvp")
[ "$(wc -l <<<"$lines")" -eq 10 ] || fail "corvane-cli dump printed $(wc -l <<<"$lines") lines"
[ "$(head -n 1 <<<"$lines")" = "F0 7D 12 34 31 04 00 07 00 0B 64 00 7F 7F 7F F7" ] ||
    fail "unexpected first packet: $(head -n 1 <<<"$lines")"
echo "ok: the unpacked corvane-cli dumps a preset"

status=0
"$(dirname "$0")/../e2e/device_window_e2e.sh" "$work/root/usr/bin/corvane" >"$work/window.log" 2>&1 ||
    status=$?
((status != 77)) || { cat "$work/window.log"; exit 77; }
((status == 0)) || { cat "$work/window.log" >&2; fail "the unpacked editor did not deliver its dumps"; }
echo "ok: the unpacked editor delivers its dumps"
echo PASS
