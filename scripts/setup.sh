#!/usr/bin/env bash
# Installs what building, running and testing Kestrowinda need on Debian 12. Idempotent: does
# nothing when everything is there. Needs root for apt-get; prints the command otherwise.
set -eu

packages="cmake make g++ git ca-certificates googletest
clang libclang-rt-14-dev
mingw-w64 g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix
wine wine64 xvfb xdotool x11-utils imagemagick
fonts-ipafont-gothic fonts-ipafont-mincho fp-utils
libcli11-dev nlohmann-json3-dev
wixl msitools"

missing=""
for p in $packages; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing="$missing $p"
  fi
done
[ -z "$missing" ] && exit 0

command="apt-get update && apt-get install -y --no-install-recommends$missing"
if [ "$(id -u)" -ne 0 ]; then
  echo "Missing packages:$missing" >&2
  echo "Run as root: $command" >&2
  exit 1
fi
echo "Installing:$missing"
export DEBIAN_FRONTEND=noninteractive
apt-get update -q
# shellcheck disable=SC2086
apt-get install -y -q --no-install-recommends $missing
