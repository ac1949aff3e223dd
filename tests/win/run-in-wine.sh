#!/usr/bin/env bash
# Runs one Windows-side test program in a throw-away copy of the base prefix, on a display of
# its own: run-in-wine.sh [--dpi N]... <base prefix> <program.exe> [arguments]
# The program finds a folder for capture files and scratch data in KW_TEST_DIR (a Windows
# path); the copy is removed afterwards. A 32-bit program on a machine where Wine cannot run
# one is not started: the script ends with status 77 (skipped) and says why.
# With --dpi, the program runs once per DPI given, each time in a fresh copy whose Wine session
# starts at that screen DPI (KW_TEST_DPI tells the program which). Wine 10 takes the screen's
# DPI from the session's first process and shows a program that starts at another DPI scaled to
# it, so a DPI is set before the session starts, not by the program under test.
set -u
here=$(cd "$(dirname "$0")" && pwd)
. "$here/../../scripts/lib/wine.sh"

dpis=()
while [ $# -gt 0 ]; do
  case $1 in
    --dpi) dpis+=("$2"); shift 2 ;;
    *) break ;;
  esac
done
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

export KW_TEST_DIR KW_SOURCE_DIR
KW_TEST_DIR=$(kw_winpath "$work/data")
export KW_TEST_UNIX_DIR="$work/data"
KW_SOURCE_DIR=$(cd "$here/../.." && pwd)
export WINEPREFIX="$work/prefix"
kw_start_xvfb || exit 1

# One run of the program in a fresh copy of the base prefix: run_once DPI|"" [arguments]
run_once() {
  local dpi=${1:-}
  if [ -d "$work/prefix" ]; then # the session of the run before
    wineserver -k 2>/dev/null
    wineserver -w 2>/dev/null
  fi
  rm -rf "$work/prefix" "$work/data"
  cp -a "$base" "$work/prefix" || return 1
  mkdir -p "$work/data"
  unset KW_TEST_DPI
  if [ -n "$dpi" ]; then
    echo "== $(basename "$program") in a Wine session at $dpi DPI"
    kw_set_session_dpi "$WINEPREFIX" "$dpi" || return 1
    export KW_TEST_DPI=$dpi
  fi
  timeout --kill-after=10 "${KW_TEST_TIMEOUT:-500}" "$KW_WINE" "$program" "${@:2}"
  local status=$?
  if [ $status -eq 124 ] || [ $status -eq 137 ]; then
    echo "$(basename "$program") did not finish in time" >&2
  fi
  return $status
}

if [ ${#dpis[@]} -eq 0 ]; then
  run_once "" "$@"
  exit $?
fi
status=0
for dpi in "${dpis[@]}"; do
  run_once "$dpi" "$@"
  result=$?
  [ $status -ne 0 ] || status=$result
done
exit $status
