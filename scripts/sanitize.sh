#!/usr/bin/env bash
# Builds the native tests with AddressSanitizer, UndefinedBehaviorSanitizer and libstdc++'s
# assertions (host g++) into build/native-asan and runs them; any finding fails its test.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
build=${KW_BUILD_DIR:-$root/build}/native-asan
jobs=$(nproc 2>/dev/null || echo 2)

echo "== Native tests under ASan and UBSan"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKW_SANITIZE=ON >/dev/null
cmake --build "$build" -j "$jobs"
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:strict_string_checks=1:detect_stack_use_after_return=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
ctest --test-dir "$build" --output-on-failure -j "$jobs"
