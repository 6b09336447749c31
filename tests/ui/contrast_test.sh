#!/usr/bin/env bash
# The window's text contrast measured on a private X display, under Qt's own light look and
# under the GTK theme Adwaita dark; the dark run is skipped where Qt's GTK theme is missing.
#   contrast_test.sh path/to/ui_tests
set -uo pipefail

tests=${1:?usage: contrast_test.sh path/to/ui_tests}
# shellcheck source=../support/processes.sh
source "$(dirname "$0")/../support/processes.sh"
# shellcheck source=../support/test_skip.sh
source "$(dirname "$0")/../support/test_skip.sh"
# shellcheck source=../support/private_display.sh
source "$(dirname "$0")/../support/private_display.sh"
command -v Xvfb >/dev/null || skip_test "Xvfb is not installed"

# Room for the whole window at two device pixels a pixel.
start_private_display "$work" 1600x1600
export QT_QPA_PLATFORM=xcb
unset QT_QPA_PLATFORMTHEME QT_STYLE_OVERRIDE GTK_THEME

echo "--- light"
"$tests" --gtest_filter='ContrastTest.*' || exit 1
echo "--- light, two device pixels a pixel"
QT_SCALE_FACTOR=2 "$tests" --gtest_filter='ContrastTest.TheReportLineIsReadable' || exit 1
compgen -G "/usr/lib/*/qt6/plugins/platformthemes/libqgtk3.so" >/dev/null ||
    skip_test "Qt's GTK theme is not installed (qt6-gtk-platformtheme)"
echo "--- Adwaita dark"
QT_QPA_PLATFORMTHEME=gtk3 GTK_THEME=Adwaita:dark CORVANE_EXPECT_DARK=1 \
    "$tests" --gtest_filter='ContrastTest.*' || exit 1
