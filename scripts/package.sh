#!/usr/bin/env bash
# Builds the release into build/dist: the MSI package and the portable zip of each
# architecture, named with the version and the architecture, and what describes them:
#   kestrowinda-<version>-x64.msi  kestrowinda-<version>-win64.zip
#   kestrowinda-<version>-x86.msi  kestrowinda-<version>-win32.zip
#   kestrowinda-<version>.cdx.json   the SBOM (CycloneDX)
#   winget/                          the winget manifests of the version
#   SHA256SUMS                       for sha256sum -c
#
#   scripts/package.sh [--version X.Y[.Z]] [--dist DIR] [win64|win32]...
#
# Without --version the packages carry the version set in CMakeLists.txt and come from the
# builds in build/win64 and build/win32, which it configures and builds as far as needed. With
# --version they come from builds of their own in build/versioned/<version>/, configured with
# that version (the install tests package 3.100.0 and 3.100.1 this way).
#
# The same commit gives the same bytes (scripts/repro-check.sh proves it): every time in the
# artifacts is SOURCE_DATE_EPOCH, by default the commit's time. With the signing variables set
# (KW_SIGN_CERT and KW_SIGN_KEY, see README "Signing a release") the programs and the MSIs are
# signed; without them the release is unsigned and the script says so. KW_DOWNLOAD_URL is the
# folder the winget manifests download the packages from.
set -eu
. "$(dirname "$0")/lib/common.sh"
. "$root/packaging/release-lib.sh"

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
# The documented default download folder of the winget manifests: a placeholder.
default_download='https://downloads.kestrowinda.example/releases/{version}'
download=${KW_DOWNLOAD_URL:-$default_download}

SOURCE_DATE_EPOCH=$(kw_source_date_epoch)
export SOURCE_DATE_EPOCH
signing=$(kw_signing)
commit=$(git -C "$root" rev-parse --short HEAD 2>/dev/null || echo "no commit")
changes=""
[ -z "$(git -C "$root" status --porcelain --untracked-files=no 2>/dev/null)" ] ||
  changes=" with uncommitted changes (their packages are no commit's)"
echo "Packaging $commit$changes, time $(date -u -d "@$SOURCE_DATE_EPOCH" +%FT%TZ)"

trees=()
for arch in $archs; do
  if [ -n "$version" ]; then
    # The release preset (no tests), with the version given.
    tree="$build/versioned/$version/$arch"
    kw_configure "release-$arch" "$tree" -DKW_DIST_DIR="$dist" -DKW_VERSION="$version"
  else
    # The tree and preset of scripts/build.sh, so the packages hold the programs it tested.
    tree="$build/$arch"
    kw_configure "$arch" "$tree" -DKW_DIST_DIR="$dist"
  fi
  cmake --build "$tree" -j "$jobs" --target kw_dist
  trees+=("$tree")
done

# The version of the packages just built, as CMake has it.
release=$(sed -n 's/^KW_VERSION:STRING=//p' "${trees[0]}/CMakeCache.txt")
[ -n "$release" ] || { echo "no version in ${trees[0]}/CMakeCache.txt" >&2; exit 1; }
cd "$dist"
msis=() artifacts=() inputs=()
for tree in "${trees[@]}"; do
  arch=$(basename "$tree")
  msis+=("kestrowinda-$release-$([ "$arch" = win64 ] && echo x64 || echo x86).msi")
  artifacts+=("${msis[-1]}" "kestrowinda-$release-$arch.zip")
  inputs+=("$tree/packaging/sbom-inputs.json")
done

tools=(--tool wixl --tool msibuild)
[ "$signing" = none ] || tools+=(--tool "$KW_OSSLSIGNCODE")
sbom="kestrowinda-$release.cdx.json"
"$KW_PYTHON" "$root/packaging/sbom.py" --out "$sbom" --version "$release" \
  --epoch "$SOURCE_DATE_EPOCH" "${tools[@]}" "${inputs[@]}"
rm -rf winget
"$KW_PYTHON" "$root/packaging/winget.py" --out winget --version "$release" \
  --epoch "$SOURCE_DATE_EPOCH" --url "$download" "${msis[@]}"
sha256sum "${artifacts[@]}" "$sbom" winget/*.yaml >SHA256SUMS

echo "Release $release in $dist:"
ls -l "${artifacts[@]}" "$sbom" SHA256SUMS winget
if [ "$signing" = none ]; then
  echo "The programs and packages are unsigned: no signing variables are set (README, \"Signing a release\")."
else
  echo "The programs and packages are signed (${signing} key, certificate $KW_SIGN_CERT)."
fi
[ -n "${KW_DOWNLOAD_URL:-}" ] ||
  echo "The winget manifests name the placeholder $download: set KW_DOWNLOAD_URL for a published release."
