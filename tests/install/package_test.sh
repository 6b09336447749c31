#!/usr/bin/env bash
# Checks the Debian package that `make package` built: lintian finds nothing to warn about,
# Depends names what the programs load at run time, the programs are hardened and the
# documentation is laid out as Debian's is. Then it unpacks the package and runs the unpacked
# programs: `corvane --version` with no display, the autopkgtest's command, `corvane-cli dump`
# of a preset, and the editor through Device, OK and Update on a private display and JACK
# server.
# Usage: package_test.sh PACKAGE_DIR   (the folder that holds corvane_*.deb: build-package)
# Exit 0 on success, 1 on failure, 77 where the window check cannot get a display or a JACK
# server (1 under CI=true).
set -euo pipefail

readonly packages=${1:?usage: package_test.sh PACKAGE_DIR}
source_dir=$(cd "$(dirname "$0")/../.." && pwd)
readonly source_dir
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

fail() { echo "FAIL: $*" >&2; exit 1; }

debs=("$packages"/corvane_*.deb)
[ -f "${debs[0]}" ] || fail "no corvane_*.deb in $packages (make package builds it)"
[ ${#debs[@]} -eq 1 ] || fail "more than one corvane_*.deb in $packages"
deb=${debs[0]}
echo "ok: $(basename "$deb"), $(stat -c %s "$deb") bytes"

# Lintian as a sponsor runs it. Its informational tags are allowed, except those that say a
# build flag, the stripping or the hardening of a binary is missing.
lintian --pedantic --display-info --fail-on none "$deb" >"$work/lintian.log" 2>&1 ||
    { cat "$work/lintian.log" >&2; fail "lintian could not check the package"; }
grep -v '^running with root privileges' "$work/lintian.log" || true
! grep -E '^(E|W): ' "$work/lintian.log" >/dev/null || fail "lintian reports errors or warnings"
! grep -E ' (hardening-[a-z-]+|binary-has-unneeded-section) ' "$work/lintian.log" >/dev/null ||
    fail "lintian finds a binary unhardened or unstripped"
echo "ok: lintian --pedantic reports no error and no warning"

info=$(dpkg-deb -I "$deb")
depends=$(sed -n 's/^ Depends: //p' <<<"$info")
echo "Depends: $depends"
names=$(sed 's/ *([^)]*)//g; s/ *[,|] */\n/g' <<<"$depends")
for package in libqt6widgets6 libjack-jackd2-0 libasound2 libstdc++6 qt6-qpa-plugins \
    fonts-liberation; do
    grep -qxF "$package" <<<"$names" || fail "Depends does not name $package"
done

dpkg-deb -x "$deb" "$work/root"
root=$work/root
# Debian 12's start files carry no control-flow marks, so no program linked there has them.
hardening-check --nocfprotection "$root/usr/bin/corvane" || fail "hardening-check usr/bin/corvane"
hardening-check --nocfprotection --nofortify --quiet "$root/usr/bin/corvane-cli" ||
    fail "hardening-check usr/bin/corvane-cli"
# Our own code is built with -fcf-protection all the same: its functions begin with the
# landing pad that indirect branches need (a program built without it has only the start
# files' few).
for program in corvane corvane-cli; do
    pads=$(objdump -d "$root/usr/bin/$program" | grep -c endbr64 || true)
    [ "$pads" -ge 100 ] || fail "$program has $pads endbr64 landing pads: built without -fcf-protection"
done
echo "ok: PIE, stack protector, Fortify, RELRO, BIND_NOW and control-flow landing pads"

for page in corvane corvane-cli; do
    [ -s "$root/usr/share/man/man1/$page.1.gz" ] || fail "no gzipped manual page $page.1.gz"
    gzip -t "$root/usr/share/man/man1/$page.1.gz" || fail "$page.1.gz is not gzip data"
done
[ -z "$(find "$root/usr/share/man" -name '*.1')" ] || fail "an uncompressed manual page"
for file in copyright changelog.gz; do
    [ -s "$root/usr/share/doc/corvane/$file" ] || fail "no /usr/share/doc/corvane/$file"
done
echo "ok: manual pages gzipped, copyright and changelog.gz in /usr/share/doc/corvane"

version=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$root/usr/bin/corvane" --version) ||
    fail "corvane --version failed without a display"
grep -qE '^corvane [0-9]+\.[0-9]+\.[0-9]+$' <<<"$version" || fail "unexpected version line: $version"
echo "ok: $version"

status=0
message=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$root/usr/bin/corvane" 2>&1) ||
    status=$?
[ "$status" -eq 1 ] || fail "corvane without a display exited with $status"
[ "$message" = "corvane: cannot open a display (DISPLAY / WAYLAND_DISPLAY not set)" ] ||
    fail "corvane without a display said: $message"
echo "ok: without a display corvane says so and exits 1"

# The autopkgtest's commands, on the unpacked programs.
command=$(sed -n 's/^Test-Command: //p' "$source_dir/debian/tests/control")
[ -n "$command" ] || fail "debian/tests/control has no Test-Command"
(cd "$work" && env -u DISPLAY -u WAYLAND_DISPLAY PATH="$root/usr/bin:$PATH" sh -ec "$command") \
    >"$work/autopkgtest.log" 2>&1 || { cat "$work/autopkgtest.log" >&2; fail "the autopkgtest failed"; }
echo "ok: the autopkgtest: $command"

cli=$root/usr/bin/corvane-cli
"$cli" defaults >"$work/start.cvp"
lines=$("$cli" dump "$work/start.cvp")
[ "$(wc -l <<<"$lines")" -eq 10 ] || fail "corvane-cli dump printed $(wc -l <<<"$lines") lines"
[ "$(head -n 1 <<<"$lines")" = "F0 7D 12 34 31 04 00 07 00 0B 64 00 7F 7F 7F F7" ] ||
    fail "unexpected first packet: $(head -n 1 <<<"$lines")"
echo "ok: the unpacked corvane-cli dumps a preset"

# The unpacked editor on a private jackd: Device, the mapper, Update; the default dump byte for
# byte through the routed port, every gap 4800 server frames, and Exit.
status=0
"$source_dir/tests/e2e/window_mapper_e2e.sh" jackd:1024 "$root/usr/bin/corvane" >"$work/window.log" 2>&1 ||
    status=$?
((status != 77)) || { cat "$work/window.log"; exit 77; }
((status == 0)) || { cat "$work/window.log" >&2; fail "the unpacked editor did not deliver its dumps"; }
echo "ok: the unpacked editor delivers its dumps"
echo PASS
