#!/usr/bin/env bash
# Builds Kestrowinda and runs it under Wine in a private prefix with one simulated queue of the
# model, "Vek Brelvistoka 410ZQ" on LPT1:, whose jobs land in a capture file.
set -u
. "$(dirname "$0")/lib/common.sh"
. "$root/scripts/lib/wine.sh"

"$root/scripts/setup.sh" || exit 1
kw_wine_loader || exit 1
# Only the program and its help file; the tests are built by scripts/test.sh.
kw_configure win64 "$build/win64" || exit 1
cmake --build "$build/win64" -j "$jobs" --target kestrowinda kw_help_chm || exit 1

exe="$build/win64/app/kestrowinda.exe"
run="$build/run"
prefix="$run/prefix"
capture="$run/capture-LPT1.bin"
mkdir -p "$run"
rm -f "$capture"

own_display=0
if [ -z "${DISPLAY:-}" ] || ! xdpyinfo >/dev/null 2>&1; then
  kw_start_xvfb || exit 1
  own_display=1
fi
trap 'WINEPREFIX=$prefix wineserver -k 2>/dev/null; kw_stop_xvfb' EXIT

if [ ! -f "$prefix/.kestrowinda" ]; then
  echo "Making the Wine prefix $prefix ..."
  rm -rf "$prefix"
  kw_make_prefix "$prefix" || exit 1
  kw_add_queue "$prefix" "Vek Brelvistoka 410ZQ" "LPT1:" || exit 1
  touch "$prefix/.kestrowinda"
fi
kw_capture_port "$prefix" "LPT1:" "$capture" || exit 1

cp "$exe" "$run/"
for help in "$build/win64/app/ksw4qz.chm"; do
  [ -f "$help" ] && cp "$help" "$run/"
done

export WINEPREFIX=$prefix
if [ $own_display -eq 1 ]; then
  # No display to show it on: start it on a virtual X server, keep a screenshot, then do what
  # an operator would: send the settings (Ctrl+W), close the message (Enter) and exit (Alt+F4).
  echo "No display: running on a virtual X server."
  "$KW_WINE" "$run/kestrowinda.exe" &
  pid=$!
  for _ in $(seq 1 60); do
    xdotool search --name "Vek Brelvistoka 410ZQ Kestrowinda" >/dev/null 2>&1 && break
    sleep 0.5
  done
  sleep 2
  import -window root "$run/screenshot.png" 2>/dev/null && echo "Screenshot: $run/screenshot.png"
  xdotool key ctrl+w
  sleep 2
  xdotool key Return
  sleep 1
  xdotool key alt+F4
  for _ in $(seq 1 20); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.5
  done
  if kill -0 "$pid" 2>/dev/null; then
    echo "Kestrowinda is still running; ending it."
    WINEPREFIX=$prefix wineserver -k
  fi
  wait "$pid"
  status=$?
else
  "$KW_WINE" "$run/kestrowinda.exe"
  status=$?
fi
echo "Kestrowinda ended with exit status $status."
if [ -s "$capture" ]; then
  echo "The printer received $(stat -c %s "$capture") bytes, kept in $capture:"
  od -A d -t x1z -v "$capture"
else
  echo "Nothing was sent to the printer (capture file: $capture)."
fi
