#!/usr/bin/env bash
# Runs one Windows-side test program in a throw-away copy of the base prefix, on a display of
# its own: run-in-wine.sh <base prefix> <program.exe> [arguments]
# The program finds a folder for capture files and scratch data in KW_TEST_DIR (a Windows
# path); the copy is removed afterwards. A 32-bit program on a machine where Wine cannot run
# one is not started: the script ends with status 77 (skipped) and says why.
set -u
here=$(cd "$(dirname "$0")" && pwd)
. "$here/../../scripts/lib/wine.sh"

base=$(realpath -m "$1")
program=$2
shift 2

if kw_is_i386_program "$program" && ! kw_wine32_works; then
  echo "SKIPPED: $(basename "$program") is a 32-bit program: $KW_WINE32_WHY"
  exit 77
fi
kw_wine_loader || exit 1

work=$(mktemp -d /tmp/kw-test.XXXXXX)
cleanup() {
  WINEPREFIX="$work/prefix" wineserver -k 2>/dev/null
  kw_stop_xvfb
  rm -rf "$work"
}
trap cleanup EXIT

cp -a "$base" "$work/prefix" || exit 1
mkdir -p "$work/data"
kw_start_xvfb || exit 1
export WINEPREFIX="$work/prefix"
export KW_TEST_DIR
KW_TEST_DIR=$(kw_winpath "$work/data")
export KW_TEST_UNIX_DIR="$work/data"
export KW_SOURCE_DIR
KW_SOURCE_DIR=$(cd "$here/../.." && pwd)

timeout --kill-after=10 "${KW_TEST_TIMEOUT:-500}" "$KW_WINE" "$program" "$@"
status=$?
if [ $status -eq 124 ] || [ $status -eq 137 ]; then
  echo "$(basename "$program") did not finish in time" >&2
fi
exit $status
