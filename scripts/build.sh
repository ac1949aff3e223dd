#!/usr/bin/env bash
# Builds the native parts, the 64-bit Windows program with its tests and the 32-bit program.
#   scripts/build.sh [native|win64|win32]...   (default: all three)
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
      cmake -S "$root" -B "$build/win32" -DCMAKE_BUILD_TYPE=Release -DKW_BUILD_TESTS=OFF \
        -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-mingw-i686.cmake" >/dev/null
      cmake --build "$build/win32" -j "$jobs" --target kestrowinda
      ;;
    *)
      echo "unknown build $t" >&2
      exit 2
      ;;
  esac
done
