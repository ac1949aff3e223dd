#!/usr/bin/env bash
# Saves docs/menu.png: the main window's template with menu 142 built and drawn by CIconMenu,
# its first popup open (Send grayed, as at start-up).
#   menu/screenshot.sh [win64 build folder]
# Needs win_menu_draw_test.exe and the base Wine prefix (made by the first ctest run).
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build/win64}
. "$root/scripts/lib/wine.sh"
work=$(mktemp -d /tmp/kw-menu-shot.XXXXXX)
trap 'rm -rf "$work"' EXIT

KW_MENU_SHOT=$(kw_winpath "$work/menu.bmp") \
  "$root/tests/win/run-in-wine.sh" "$build/wine-base" \
  "$build/tests/win/win_menu_draw_test.exe" --gtest_filter='MenuScreenshot.*' \
  --gtest_also_run_disabled_tests
mkdir -p "$root/docs"
convert "$work/menu.bmp" "$root/docs/menu.png"
echo "wrote $root/docs/menu.png"
