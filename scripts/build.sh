#!/usr/bin/env bash
# Builds the native parts and their tests, and the 64-bit and 32-bit Windows programs, each with
# its Windows-side tests.
#   scripts/build.sh [native|win64|win32]...   (default: all three)
# Also writes build/CTestTestfile.cmake, one CTest tree over the builds there: `ctest --test-dir
# build` runs every suite; -L i686 only the 32-bit one, -LE i686 all others.
# Each is configured through its preset in CMakePresets.json, into $KW_BUILD_DIR/<name>.
set -eu
. "$(dirname "$0")/lib/common.sh"

targets=${*:-native win64 win32}
for t in $targets; do
  case $t in
    native | win64 | win32)
      kw_configure "$t" "$build/$t"
      cmake --build "$build/$t" -j "$jobs"
      ;;
    *)
      echo "unknown build $t" >&2
      exit 2
      ;;
  esac
done

{
  echo "# Written by scripts/build.sh: the test suites of the builds in this folder."
  for t in native win64 win32; do
    if [ -f "$build/$t/CTestTestfile.cmake" ]; then echo "subdirs(\"$t\")"; fi
  done
} >"$build/CTestTestfile.cmake"
