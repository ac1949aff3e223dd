#!/usr/bin/env bash
# Installs what building, running and testing Kestrowinda need on Debian 12 (bookworm) or 13
# (trixie). Idempotent: does nothing when everything is there. Needs root for apt-get; prints the
# command otherwise. The package names are the same on both releases except for what follows
# the release's versions: the clang runtime (libFuzzer, sanitizers) is the one of the installed
# clang (14 on Debian 12, 19 on 13), and Wine is 8 or 10 with the same layout (the 64-bit loader
# /usr/lib/wine/wine64 in wine64, the 32-bit one in wine32:i386).
# The i686 tests also need wine32, which is installed only where the machine executes 32-bit
# x86 programs; elsewhere the script says so and those tests are reported as skipped.
set -eu
. "$(dirname "$0")/lib/common.sh"
. "$root/scripts/lib/wine.sh"

packages="cmake make g++ git ca-certificates googletest
clang libclang-rt-dev
mingw-w64 g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix
wine wine64 fonts-wine xvfb xdotool x11-utils imagemagick
fonts-ipafont-gothic fonts-ipafont-mincho fp-utils
libcli11-dev nlohmann-json3-dev libssl-dev
wixl msitools time chromium
osslsigncode openssl python3 python3-jsonschema python3-yaml diffoscope-minimal"
# Installed only where the release has them: a Wine built for WoW64 alone has its 64-bit loader
# in the package wine.
optional="wine64"

installed() {
  dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"
}

offered() {
  [ -n "$(apt-cache show --no-all-versions "$1" 2>/dev/null)" ]
}

is_root() {
  [ "$(id -u)" -eq 0 ]
}

apt_updated=0
apt_update() {
  [ $apt_updated -eq 1 ] && return 0
  DEBIAN_FRONTEND=noninteractive apt-get update -q
  apt_updated=1
}

apt_install() {
  apt_update
  DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "$@"
}

# Installs what is missing of the packages given, or says how to: install_missing package...
install_missing() {
  local p missing=""
  for p in "$@"; do
    installed "$p" || missing="$missing $p"
  done
  [ -n "$missing" ] || return 0
  if ! is_root; then
    echo "Missing packages:$missing" >&2
    echo "Run as root: apt-get update && apt-get install -y --no-install-recommends$missing" >&2
    return 1
  fi
  apt_update
  local wanted=""
  for p in $missing; do
    if [[ " $optional " == *" $p "* ]] && ! offered "$p"; then
      echo "This release has no package $p; going without it."
      continue
    fi
    wanted="$wanted $p"
  done
  [ -n "$wanted" ] || return 0
  echo "Installing:$wanted"
  # shellcheck disable=SC2086
  apt_install $wanted
}

# shellcheck disable=SC2086
install_missing $packages || exit 1

# The SBOM check runs the CycloneDX library's validator (from npm) under Node.js. Any Node.js
# with its npm will do: one installed from elsewhere brings its own npm, which Debian's npm
# package conflicts with.
if ! command -v npm >/dev/null; then
  install_missing nodejs npm || exit 1
fi

# libclang-rt-dev follows the release's default clang; where clang is another version (installed
# by hand, or a release whose default moved), its own runtime is what the fuzz build links.
clang_major=$(clang --version 2>/dev/null | sed -n 's/.*clang version \([0-9][0-9]*\).*/\1/p' | head -n 1)
if [ -z "$clang_major" ]; then
  echo "clang does not run: the fuzz targets cannot be built." >&2
  exit 1
fi
install_missing "libclang-rt-$clang_major-dev" || exit 1

# wine32 for the i686 tests. Once it is installed, Debian's `wine` runs every program through the
# 32-bit loader, so on a machine that cannot execute that loader it must not stay installed: no
# Wine program would start any more through it. (The scripts call the 64-bit loader directly.)
remove_wine32() {
  if is_root; then
    echo "Removing wine32 again, so that wine runs."
    DEBIAN_FRONTEND=noninteractive apt-get remove -y -q wine32:i386
  else
    echo "Run as root: apt-get remove -y wine32:i386" >&2
  fi
}

if installed wine32:i386; then
  if ! kw_wine32_works; then
    echo "wine32 is installed, but $KW_WINE32_WHY." >&2
    remove_wine32
  fi
elif ! kw_runs_i386; then
  echo "The i686 tests cannot run here: this machine does not execute 32-bit x86 programs" \
    "($KW_I386_ERROR), so wine32 is not installed and those tests are reported as skipped."
elif ! is_root; then
  echo "wine32 is missing for the i686 tests; they are skipped until it is there." >&2
  echo "Run as root: dpkg --add-architecture i386 && apt-get update &&" \
    "apt-get install -y --no-install-recommends wine32:i386" >&2
else
  echo "Installing wine32 for the i686 tests."
  added_i386=0
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386
    added_i386=1
    apt_updated=0 # the i386 package lists come with the next update
  fi
  if ! apt_install wine32:i386; then
    echo "Could not install wine32; the i686 tests are skipped." >&2
    [ $added_i386 -eq 1 ] && dpkg --remove-architecture i386 2>/dev/null
  elif ! kw_wine32_works; then
    echo "wine32 was installed, but $KW_WINE32_WHY." >&2
    remove_wine32
  fi
fi
exit 0
