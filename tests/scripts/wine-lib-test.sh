#!/usr/bin/env bash
# The shell helpers of scripts/lib/wine.sh in a copy of the base prefix: the Wine loader that
# every script uses runs Wine's tools as 64-bit programs, the registry has its two views, and
# queues and capture files whose names hold quotes and backslashes reach the registry as given.
#   wine-lib-test.sh <base prefix>
set -u
here=$(cd "$(dirname "$0")" && pwd)
. "$here/../../scripts/lib/wine.sh"
kw_wine_loader || exit 1
base=$(realpath -m "$1")

. "$here/checks.sh"

work=$(mktemp -d /tmp/kw-wine-lib.XXXXXX)
cleanup() {
  WINEPREFIX="$work/prefix" wineserver -k 2>/dev/null
  kw_stop_xvfb
  rm -rf "$work"
}
trap cleanup EXIT
cp -a "$base" "$work/prefix" || exit 1
kw_start_xvfb || exit 1
export WINEPREFIX="$work/prefix"

# What a program run by a loader reports as its processor: AMD64 for a 64-bit one.
architecture() {
  "$1" cmd /c 'echo %PROCESSOR_ARCHITECTURE%' 2>/dev/null | tr -d '\r'
}
# The loader that kw_wine_loader picks from a list of candidates, in a shell of its own.
picked_from() {
  (unset KW_WINE && KW_WINE_CANDIDATES=$1 && kw_wine_loader 2>/dev/null && echo "$KW_WINE")
}

expect "the loader is a 64-bit program: $KW_WINE" kw_is_elf64 "$KW_WINE"
expect "Wine's tools run through it as 64-bit programs" equal "$(architecture "$KW_WINE")" AMD64
# A wrapper script that runs Wine (as Debian's `wine` does) is no loader, whatever it runs.
printf '#!/bin/sh\nexec "%s" "$@"\n' "$KW_WINE" >"$work/wine"
chmod +x "$work/wine"
expect "a missing loader and a wrapper script listed first are passed over" \
  equal "$(picked_from "$work/none/wine64 $work/wine $KW_WINE")" "$KW_WINE"
expect "no loader when none of the candidates is one" equal "$(picked_from "$work/wine")" ""
if kw_wine32_works; then
  expect "the 32-bit loader runs the same tools as 32-bit programs" \
    equal "$(architecture "$KW_WINE32_LOADER")" x86
else
  echo "     (the 32-bit loader is not compared: $KW_WINE32_WHY)"
fi

test_key='HKLM\Software\Kestrowinda Test'
kw_wine reg add "$test_key" /v View /d 64 /reg:64 /f >/dev/null 2>&1
expect "a value written in the 64-bit view is read there" equal "$(kw_reg_value "$test_key" View)" 64
expect "and not in the 32-bit view" equal "$(kw_reg_value "$test_key" View 32)" ""

printers='HKLM\System\CurrentControlSet\Control\Print\Printers'
# name | port | driver: each queue's registry values come back as given.
while IFS='|' read -r name port driver; do
  kw_add_queue "$WINEPREFIX" "$name" "$port" "$driver"
  expect "queue [$name] on [$port] with driver [$driver]" equal \
    "$(kw_reg_value "$printers\\$name" Name)|$(kw_reg_value "$printers\\$name" Port)|$(kw_reg_value "$printers\\$name" "Printer Driver")" \
    "$name|$port|$driver"
done <<'EOF'
Vek Brelvistoka 410ZQ|LPT1:|Vek Brelvistoka 410ZQ
Vek "1F"|LPT2:|Vek Brelvistoka 410ZQ
Vek ""|LPT3:|Vek "Brelvistoka"
Vek [2F] O'Neil|\\printsrv\Vek 2F|Vek \ 410ZQ \\
Vek 3F ends in a quote"|C:\spool\|\
EOF
queues_before=$(kw_wine reg query "$printers" /reg:64 2>/dev/null | grep -c .)
for name in 'Vek\1F' 'Vek 1F\' '\\printsrv\Vek 1F'; do
  expect "a queue named [$name] is refused" equal "$(kw_add_queue "$WINEPREFIX" "$name" LPT1: 2>/dev/null; echo $?)" 2
done
expect "and no key is made for them" \
  equal "$(kw_wine reg query "$printers" /reg:64 2>/dev/null | grep -c .)" "$queues_before"

spooler='HKCU\Software\Wine\Printing\Spooler'
# port | Unix file: the file that a port's jobs go to comes back as given.
while IFS='|' read -r port file; do
  kw_capture_port "$WINEPREFIX" "$port" "$file"
  expect "port [$port] captured in [$file]" equal "$(kw_reg_value "$spooler" "$port")" "$file"
done <<'EOF'
LPT1:|/tmp/kw capture/capture-LPT1.bin
LPT2:|/tmp/kw "quoted"/capture.bin
LPT3:|/tmp/kw\back\\slashes/capture.bin
EOF
exit $failed
