#!/usr/bin/env bash
# Builds and runs the benchmark under Wine: start-up against an empty dialog program, against
# the same main window built with plain calls and with 100 queues against one, the data check
# against plain reads of the pages' controls, the stripped program's size and imports, kwctl's
# start-up against an empty console program, kwctl's fleet send to 20 queues (with and without
# its log) against the plain spooler calls, its send to 500 queues of a slow stand-in spooler
# against the ideal, its plan over a long send log against reading and parsing it, and kwctl's
# size, measured side by side in one run on one Wine prefix. Prints one table with the commit.
#   scripts/bench.sh [--spread] [--first] [--rounds N] [--checks N] [--only NAME]...
# After the table, the native kwctl's peak memory over a send log of 1,000,000 lines (with
# kwctl-long-log, or when no --only is given).
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

# The native build's peak memory over a long log, without Wine: a plan for a list of which one
# queue was never sent to reads the whole log.
native_memory() {
  local dir=$build/bench-native kwctl=$build/native/kwctl/kwctl record sha kib
  "$root/scripts/build.sh" native >/dev/null
  mkdir -p "$dir"
  "$kwctl" new "$dir/factory.dat" --force >/dev/null
  record=$(tail -c 180 "$dir/factory.dat" | od -An -v -tx1 | tr -d ' \n')
  sha=$(tail -c 180 "$dir/factory.dat" | sha256sum | cut -d' ' -f1)
  awk -v record="$record" -v sha="$sha" 'BEGIN {
    for (s = 0; s < 2000; s++)
      for (q = 1; q <= 500; q++)
        printf "{\"time\":\"2026-01-05T08:00:00Z\",\"user\":\"fleet-admin\",\"computer\":" \
          "\"ADMIN-PC1\",\"printer\":\"Vek Log %d\",\"file\":\"/srv/factory.dat\",\"sha256\":" \
          "\"%s\",\"record\":\"%s\",\"job\":%d,\"outcome\":\"done\",\"reason\":null}\n",
          q, sha, record, s * 500 + q
  }' >"$dir/long.jsonl"
  printf 'Vek Log 1\nVek Log 2\nVek Never\n' >"$dir/list.txt"
  kib=$(/usr/bin/time -f %M "$kwctl" plan "$dir/factory.dat" --targets "$dir/list.txt" \
    --log "$dir/long.jsonl" 2>&1 >/dev/null | tail -1)
  awk -v kib="$kib" -v bytes="$(stat -c %s "$dir/long.jsonl")" 'BEGIN {
    printf "\n| native kwctl plan over a log of 1000000 lines (%.1f MiB), read whole: peak " \
      "resident memory | %.1f MiB | | | <= 64 MiB | %s |\n", bytes / 1048576, kib / 1024,
      kib <= 65536 ? "yes" : "no"
  }'
  rm -f "$dir/long.jsonl"
}
only=0
memory=0
for arg in "$@"; do
  [ "$arg" = --only ] && only=1
  [ "$arg" = kwctl-long-log ] && memory=1
done
if [ $only -eq 0 ] || [ $memory -eq 1 ]; then native_memory; fi
