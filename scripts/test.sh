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
echo "== Windows-side tests under Wine"
ctest --test-dir "$build/win64" --output-on-failure -j "$jobs" || status=1
exit $status
