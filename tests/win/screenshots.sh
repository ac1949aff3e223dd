#!/usr/bin/env bash
# Refreshes the pictures in docs/: runs the screenshot program under Wine (the one that CTest
# runs as win.screenshots), turns each picture into PNG and copies it into docs/ only when it
# differs from the picture there in more pixels than a blinking caret has.
#   tests/win/screenshots.sh [win64 build folder]
set -eu
. "$(dirname "$0")/../../scripts/lib/common.sh"
build=$(realpath -m "${1:-$build/win64}")
shots=$build/screenshots
allowed=40

kw_configure win64 "$build"
cmake --build "$build" --target win_screenshots_test -j "$jobs" >/dev/null
"$root/tests/win/make-base-prefix.sh" "$build/wine-base"
rm -f "$shots"/*.bmp
"$root/tests/win/run-in-wine.sh" "$build/wine-base" "$build/tests/win/win_screenshots_test.exe"

changed=0
for bmp in "$shots"/*.bmp; do
  name=$(basename "$bmp" .bmp)
  png=$shots/$name.png
  doc=$root/docs/$name.png
  convert "$bmp" -strip "$png"
  if [ -f "$doc" ]; then
    # compare prints the number of differing pixels; pictures of another size do not compare.
    pixels=$(compare -metric AE "$png" "$doc" null: 2>&1 || true)
    if [[ $pixels =~ ^[0-9]+$ ]] && [ "$pixels" -le $allowed ]; then
      continue
    fi
  fi
  cp "$png" "$doc"
  echo "updated docs/$name.png"
  changed=$((changed + 1))
done
echo "$changed picture(s) changed"
