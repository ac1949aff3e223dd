#!/usr/bin/env bash
# Builds and runs the benchmark under Wine: start-up against an empty dialog program, against
# the same main window built with plain calls and with 100 queues against one, the data check
# against plain reads of the pages' controls, the stripped program's size and imports, kwctl's
# start-up against an empty console program, kwctl's fleet send to 20 queues (with and without
# its log) against the plain spooler calls, its send to 500 queues of a slow stand-in spooler
# against the ideal, its plan over a long send log against reading and parsing it, and kwctl's
# size, measured side by side in one run on one Wine prefix. Prints one table with the commit.
#   scripts/bench.sh [--spread] [--first] [--rounds N] [--checks N] [--only NAME]...
# The run is pinned to one CPU: on this machine every wakeup of the other CPU costs tens of
# microseconds and comes and goes from run to run, and Wine's window calls are round trips to
# its server process, so unpinned figures scatter several-fold. --spread leaves the CPUs free.
# --first (as root) runs the benchmark, its Wine server and its X server at the highest nice
# level, so that builds running beside it hardly hold up each of those round trips; the table's
# heading says so. (A real-time priority would be stronger, but the kernel takes the CPU from
# real-time tasks for 50 ms of every second, which lands in some runs and not in others.) The
# load average before the run goes into the heading too.
set -eu
. "$(dirname "$0")/lib/common.sh"
tree=$build/win64

pin=(taskset -c 0)
priority=()
conditions=()
while [ $# -gt 0 ]; do
  case $1 in
    --spread) pin=() ;;
    --first)
      priority=(nice -n -20)
      conditions=(--priority "at nice -20")
      ;;
    *) break ;;
  esac
  shift
done

"$root/scripts/setup.sh"
kw_configure win64 "$tree"
cmake --build "$tree" --target bench -j "$jobs" >/dev/null
"$root/tests/win/make-base-prefix.sh" "$tree/wine-base"

commit=$(git -C "$root" rev-parse --short HEAD 2>/dev/null || echo unknown)
if [ -n "$(git -C "$root" status --porcelain --untracked-files=no 2>/dev/null)" ]; then
  commit="$commit+changes"
fi
load=$(cut -d' ' -f1-3 /proc/loadavg)
KW_TEST_TIMEOUT=900 "${priority[@]}" "${pin[@]}" "$root/tests/win/run-in-wine.sh" \
  "$tree/wine-base" "$tree/bench/kw_bench.exe" --commit "$commit" --load "$load" \
  "${conditions[@]}" "$@" 2> >(grep -v '^wine: Read access denied' >&2)
