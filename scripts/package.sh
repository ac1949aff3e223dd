#!/usr/bin/env bash
# Builds the release artifacts into build/dist: the MSI package and the portable zip of each
# architecture, named with the version and the architecture:
#   kestrowinda-<version>-x64.msi  kestrowinda-<version>-win64.zip
#   kestrowinda-<version>-x86.msi  kestrowinda-<version>-win32.zip
#
#   scripts/package.sh [--version X.Y[.Z]] [--dist DIR] [win64|win32]...
#
# Without --version the packages carry the version set in CMakeLists.txt and come from the
# builds in build/win64 and build/win32, which it configures and builds as far as needed. With
# --version they come from builds of their own in build/versioned/<version>/, configured with
# that version (the install tests package 3.100.0 and 3.100.1 this way).
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
build=${KW_BUILD_DIR:-$root/build}
jobs=$(nproc 2>/dev/null || echo 2)

version=""
dist="$build/dist"
archs=""
while [ $# -gt 0 ]; do
  case $1 in
    --version) version=$2; shift 2 ;;
    --dist) dist=$2; shift 2 ;;
    win64 | win32) archs="$archs $1"; shift ;;
    *) echo "usage: $0 [--version X.Y[.Z]] [--dist DIR] [win64|win32]..." >&2; exit 2 ;;
  esac
done
archs=${archs:-win64 win32}
dist=$(realpath -m "$dist")

for arch in $archs; do
  case $arch in
    win64) toolchain="toolchain-mingw-x86_64.cmake" ;;
    win32) toolchain="toolchain-mingw-i686.cmake" ;;
  esac
  options=(-DCMAKE_BUILD_TYPE=Release -DCMAKE_TOOLCHAIN_FILE="$root/cmake/$toolchain"
    -DKW_DIST_DIR="$dist")
  if [ -n "$version" ]; then
    tree="$build/versioned/$version/$arch"
    options+=(-DKW_VERSION="$version" -DKW_BUILD_TESTS=OFF)
  else
    tree="$build/$arch"
    # The same options as scripts/build.sh, so that the two keep one configuration.
    options+=(-DKW_BUILD_TESTS=ON)
  fi
  cmake -S "$root" -B "$tree" "${options[@]}" >/dev/null
  cmake --build "$tree" -j "$jobs" --target kw_dist
done

echo "Packages in $dist:"
ls -l "$dist"
