#!/usr/bin/env bash
# Makes the Wine prefix that every Windows-side test copies: make-base-prefix.sh <dir>
# Kept between runs; remade when missing or made by another Wine version.
set -u
here=$(cd "$(dirname "$0")" && pwd)
. "$here/../../scripts/lib/wine.sh"

base=$(realpath -m "$1")
stamp="$base/.kestrowinda-base"
version=$(wine --version 2>/dev/null)
if [ -f "$stamp" ] && [ "$(cat "$stamp")" = "$version" ]; then
  exit 0
fi
rm -rf "$base"
kw_start_xvfb || exit 1
trap kw_stop_xvfb EXIT
if ! kw_make_prefix "$base"; then
  echo "could not make the Wine prefix $base" >&2
  exit 1
fi
WINEPREFIX=$base wineserver -k 2>/dev/null
echo "$version" >"$stamp"
