#!/usr/bin/env bash
# Builds the native tests with AddressSanitizer, UndefinedBehaviorSanitizer and libstdc++'s
# assertions (host g++) into build/native-asan and runs them; any finding fails its test.
set -eu
. "$(dirname "$0")/lib/common.sh"
tree=$build/native-asan

echo "== Native tests under ASan and UBSan"
kw_configure native-asan "$tree"
cmake --build "$tree" -j "$jobs"
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:strict_string_checks=1:detect_stack_use_after_return=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
ctest --test-dir "$tree" --output-on-failure -j "$jobs"
