#!/usr/bin/env bash
# Makes the Wine prefix that every Windows-side test copies: make-base-prefix.sh <dir> [i686]
# Kept between runs; remade when missing, made by another Wine version or loader, or made while
# Wine could or could not run 32-bit programs: a 64-bit prefix runs them only when it was made
# with a working wine32 (its 32-bit system folder and registry are set up then), and runs both kinds.
# With "i686", the prefix is for the i686 tests: where Wine cannot run 32-bit programs, it is
# not made and the script ends with status 77 (skipped) and the reason.
set -u
here=$(cd "$(dirname "$0")" && pwd)
. "$here/../../scripts/lib/wine.sh"

base=$(realpath -m "$1")
stamp="$base/.kestrowinda-base"
kw_wine_loader || exit 1
if kw_wine32_works; then
  wine32="wine32 runs"
elif [ "${2:-}" = "i686" ]; then
  echo "SKIPPED: the i686 tests cannot run: $KW_WINE32_WHY"
  exit 77
else
  wine32="no wine32"
fi
version="$("$KW_WINE" --version 2>/dev/null) through $KW_WINE, $wine32"
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
