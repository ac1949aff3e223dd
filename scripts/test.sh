#!/usr/bin/env bash
# Installs what is missing, builds everything and runs all tests through CTest: the native
# unit tests, then the Windows-side tests under Wine. Fails when any test fails.
set -u
root=$(cd "$(dirname "$0")/.." && pwd)
build=${KW_BUILD_DIR:-$root/build}
jobs=$(nproc 2>/dev/null || echo 2)

"$root/scripts/setup.sh" || exit 1
"$root/scripts/build.sh" native win64 win32 || exit 1

status=0
echo "== Native tests"
ctest --test-dir "$build/native" --output-on-failure -j "$jobs" || status=1
bash "$root/scripts/sanitize.sh" || status=1
bash "$root/scripts/fuzz.sh" 10 || status=1
echo "== Windows-side tests under Wine"
ctest --test-dir "$build/win64" --output-on-failure -j "$jobs" || status=1
# Each Windows-side CTest test is one test program; add up the cases they ran.
log="$build/win64/Testing/Temporary/LastTest.log"
if [ -f "$log" ]; then
  ran=$(awk '/^\[==========\] [0-9]+ tests? from/ {n += $2} END {print n + 0}' "$log")
  passed=$(awk '/^\[  PASSED  \] [0-9]+/ {n += $4} END {print n + 0}' "$log")
  echo "Windows-side test cases: $passed passed of $ran run"
fi
exit $status
