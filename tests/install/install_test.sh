#!/usr/bin/env bash
# Installs the build into a staging folder as a packager would (DESTDIR, prefix /usr), checks
# that every file is there, and runs the desktop-entry, AppStream and MIME validators on them.
# Usage: install_test.sh BUILD_DIR
set -euo pipefail

readonly build=${1:?usage: install_test.sh BUILD_DIR}
readonly id=io.github.corvane.Editor
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
stage=$work/stage

fail() { echo "FAIL: $*" >&2; exit 1; }

DESTDIR=$stage cmake --install "$build" --prefix /usr >"$work/install.log" 2>&1 ||
    { cat "$work/install.log" >&2; fail "cmake --install failed"; }
usr=$stage/usr

expected=(
    bin/corvane bin/corvane-cli
    share/applications/$id.desktop
    share/metainfo/$id.metainfo.xml
    share/mime/packages/$id.xml
    share/icons/hicolor/scalable/apps/$id.svg
    share/man/man1/corvane.1 share/man/man1/corvane-cli.1
    share/doc/corvane/LICENSE share/doc/corvane/README.md
)
for size in 16 22 24 32 48 64 128 256; do
    expected+=("share/icons/hicolor/${size}x${size}/apps/$id.png")
done
for file in "${expected[@]}"; do
    [ -s "$usr/$file" ] || fail "not installed: /usr/$file"
done
for size in 16 22 24 32 48 64 128 256; do
    file "$usr/share/icons/hicolor/${size}x${size}/apps/$id.png" | grep -q "PNG image data, $size x $size" ||
        fail "the ${size} px icon is not a ${size} x ${size} PNG"
done
echo "ok: ${#expected[@]} files installed"

desktop-file-validate "$usr/share/applications/$id.desktop" || fail "desktop-file-validate"
grep -qx 'Exec=corvane %f' "$usr/share/applications/$id.desktop" || fail "Exec does not take a file"
grep -qx 'MimeType=application/x-corvane-preset;' "$usr/share/applications/$id.desktop" ||
    fail "the desktop entry does not declare the preset type"
appstreamcli validate --no-net "$usr/share/metainfo/$id.metainfo.xml" ||
    fail "appstreamcli validate"
echo "ok: desktop entry and metainfo validate"

# The MIME package must compile into a database that maps *.cvp to the preset type.
XDG_DATA_DIRS=$usr/share update-mime-database "$usr/share/mime" 2>"$work/mime.log" || { cat "$work/mime.log" >&2; fail "update-mime-database"; }
[ ! -s "$work/mime.log" ] || { cat "$work/mime.log" >&2; fail "update-mime-database complained"; }
grep -q '^application/x-corvane-preset:\*\.cvp$' "$usr/share/mime/globs" || fail "*.cvp is not mapped"
grep -q '^application/x-corvane-preset text/plain$' "$usr/share/mime/subclasses" ||
    fail "the preset type is not a text/plain subclass"
echo "ok: the preset file type compiles"

for page in corvane corvane-cli; do
    warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$usr/share/man/man1/$page.1" 2>&1 >/dev/null)
    [ -z "$warnings" ] || fail "man page $page.1: $warnings"
done
echo "ok: manual pages format without warnings"
echo PASS
