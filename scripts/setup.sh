#!/usr/bin/env bash
# Installs what building, running and testing Kestrowinda need on Debian 12. Idempotent: does
# nothing when everything is there. Needs root for apt-get; prints the command otherwise.
# The i686 tests also need wine32, which is installed only where the machine executes 32-bit
# x86 programs; elsewhere the script says so and those tests are reported as skipped.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
. "$root/scripts/lib/wine.sh"

packages="cmake make g++ git ca-certificates googletest
clang libclang-rt-14-dev
mingw-w64 g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix
wine wine64 fonts-wine xvfb xdotool x11-utils imagemagick
fonts-ipafont-gothic fonts-ipafont-mincho fp-utils
libcli11-dev nlohmann-json3-dev
libssl-dev
wixl msitools"

installed() {
  dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"
}

is_root() {
  [ "$(id -u)" -eq 0 ]
}

apt_install() {
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -q
  apt-get install -y -q --no-install-recommends "$@"
}

missing=""
for p in $packages; do
  installed "$p" || missing="$missing $p"
done
if [ -n "$missing" ]; then
  if ! is_root; then
    echo "Missing packages:$missing" >&2
    echo "Run as root: apt-get update && apt-get install -y --no-install-recommends$missing" >&2
    exit 1
  fi
  echo "Installing:$missing"
  # shellcheck disable=SC2086
  apt_install $missing
fi

# wine32 for the i686 tests. Once it is installed, Debian's `wine` runs every program through the
# 32-bit loader, so on a machine that cannot execute that loader it must not stay installed: no
# Wine program would start any more. (scripts/lib/wine.sh still finds the 64-bit loader there.)
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
  fi
  if ! apt_install wine32:i386; then
    echo "Could not install wine32; the i686 tests are skipped." >&2
    [ $added_i386 -eq 1 ] && dpkg --remove-architecture i386 2>/dev/null
  elif ! kw_wine32_works || ! wine --version >/dev/null 2>&1; then
    echo "wine32 was installed, but ${KW_WINE32_WHY:-wine no longer starts}." >&2
    remove_wine32
  fi
fi
exit 0
