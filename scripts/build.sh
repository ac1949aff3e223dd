#!/usr/bin/env bash
# Builds the native parts and their tests, and the 64-bit and 32-bit Windows programs, each with
# its Windows-side tests.
#   scripts/build.sh [native|win64|win32]...   (default: all three)
# Also writes build/CTestTestfile.cmake, one CTest tree over the builds there: `ctest --test-dir
# build` runs every suite; -L i686 only the 32-bit one, -LE i686 all others.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
build=${KW_BUILD_DIR:-$root/build}
jobs=$(nproc 2>/dev/null || echo 2)

targets=${*:-native win64 win32}
for t in $targets; do
  case $t in
    native)
      cmake -S "$root" -B "$build/native" -DCMAKE_BUILD_TYPE=Release >/dev/null
      cmake --build "$build/native" -j "$jobs"
      ;;
    win64)
      cmake -S "$root" -B "$build/win64" -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-mingw-x86_64.cmake" >/dev/null
      cmake --build "$build/win64" -j "$jobs"
      ;;
    win32)
      cmake -S "$root" -B "$build/win32" -DCMAKE_BUILD_TYPE=Release -DKW_BUILD_TESTS=ON \
        -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-mingw-i686.cmake" >/dev/null
      cmake --build "$build/win32" -j "$jobs"
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
