#!/usr/bin/env bash
# Builds the libFuzzer targets under fuzz/ (clang, ASan, UBSan) into build/fuzz and runs each
# for SECONDS (default 60). New inputs collect in build/fuzz/corpus/<name>/ beside the seeds in
# fuzz/corpus/<name>/; an input that fails a target is kept in build/fuzz/artifacts/<name>/.
#   scripts/fuzz.sh [SECONDS]
set -eu
. "$(dirname "$0")/lib/common.sh"
tree=$build/fuzz
seconds=${1:-60}

if ! command -v clang++ >/dev/null; then
  echo "clang++ is missing: run scripts/setup.sh as root" >&2
  exit 1
fi
kw_configure fuzz "$tree"
# shellcheck disable=SC2046
cmake --build "$tree" -j "$jobs" --target $(sed 's/^/fuzz_/' "$tree/fuzz-targets.txt")

status=0
while read -r name; do
  corpus=$tree/corpus/$name
  artifacts=$tree/artifacts/$name
  log=$tree/$name.log
  mkdir -p "$corpus" "$artifacts"
  seeds=()
  [ -d "$root/fuzz/corpus/$name" ] && seeds=("$root/fuzz/corpus/$name")
  echo "== Fuzzing $name for $seconds s"
  if "$tree/fuzz/fuzz_$name" -max_total_time="$seconds" -timeout=10 -print_final_stats=1 \
    -artifact_prefix="$artifacts/" "$corpus" "${seeds[@]}" >"$log" 2>&1; then
    grep -E '^Done [0-9]+ runs|^stat::(average_exec_per_sec|new_units_added)' "$log" || true
  else
    tail -n 40 "$log"
    echo "fuzz_$name failed: the input is in $artifacts/, the whole output in $log" >&2
    status=1
  fi
done <"$tree/fuzz-targets.txt"
exit $status
