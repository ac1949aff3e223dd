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
. "$(dirname "$0")/lib/common.sh"

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
  if [ -n "$version" ]; then
    # The release preset (no tests), with the version given.
    kw_configure "release-$arch" "$build/versioned/$version/$arch" -DKW_DIST_DIR="$dist" \
      -DKW_VERSION="$version"
    cmake --build "$build/versioned/$version/$arch" -j "$jobs" --target kw_dist
  else
    # The tree and preset of scripts/build.sh, so the packages hold the programs it tested.
    kw_configure "$arch" "$build/$arch" -DKW_DIST_DIR="$dist"
    cmake --build "$build/$arch" -j "$jobs" --target kw_dist
  fi
done

echo "Packages in $dist:"
ls -l "$dist"
