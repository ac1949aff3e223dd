# Shell helpers for running Windows programs under Wine in a private prefix and a virtual X
# display. Sourced by the run and test scripts.

export WINEDEBUG=${WINEDEBUG:--all}
# No Mono, no Gecko downloads, no desktop menu entries.
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree=;winemenubuilder.exe=}

KW_XVFB_PID=""

# Starts Xvfb on the first free display from 100 up and exports DISPLAY.
kw_start_xvfb() {
  local n
  for n in $(seq 100 299); do
    [ -e "/tmp/.X$n-lock" ] && continue
    [ -e "/tmp/.X11-unix/X$n" ] && continue
    Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
    KW_XVFB_PID=$!
    local tries
    for tries in $(seq 1 50); do
      # The display is ours only when its lock names our server: two runs that start at
      # the same moment may both try the same number, and the loser's server ends.
      if [ -e "/tmp/.X11-unix/X$n" ] &&
        [ "$(tr -d ' \n' <"/tmp/.X$n-lock" 2>/dev/null)" = "$KW_XVFB_PID" ]; then
        export DISPLAY=":$n"
        return 0
      fi
      kill -0 "$KW_XVFB_PID" 2>/dev/null || break
      sleep 0.1
    done
    kill "$KW_XVFB_PID" 2>/dev/null
    KW_XVFB_PID=""
  done
  echo "no free X display for Xvfb" >&2
  return 1
}

kw_stop_xvfb() {
  if [ -n "$KW_XVFB_PID" ]; then
    kill "$KW_XVFB_PID" 2>/dev/null
    wait "$KW_XVFB_PID" 2>/dev/null
    KW_XVFB_PID=""
  fi
}

# Unix path -> Windows path on drive Z:.
kw_winpath() {
  printf 'Z:%s' "$1" | tr '/' '\\'
}

# Writes a .reg file as UTF-16LE with a byte-order mark, as regedit needs for non-ASCII text.
kw_write_reg() {
  local file=$1
  shift
  { printf '\xff\xfe'; printf 'Windows Registry Editor Version 5.00\r\n\r\n%s\r\n' "$*" | iconv -f UTF-8 -t UTF-16LE; } >"$file"
}

# Creates a prefix in $1 with Japanese font replacements, no crash dialog, no sound, and
# windows that Wine frames itself (no window manager needed, none waited for).
# Needs DISPLAY to be set (the prefix's first process must see a display).
kw_make_prefix() {
  local prefix=$1
  mkdir -p "$prefix"
  WINEPREFIX=$prefix wine wineboot -i >/dev/null 2>&1 || return 1
  local reg="$prefix/kestrowinda-setup.reg"
  kw_write_reg "$reg" '[HKEY_CURRENT_USER\Software\Wine\Fonts\Replacements]
"ＭＳ Ｐゴシック"="IPAPGothic"
"ＭＳ ゴシック"="IPAGothic"
"MS PGothic"="IPAPGothic"
"MS Shell Dlg"="IPAPGothic"
"MS Shell Dlg 2"="IPAPGothic"
"Tahoma"="IPAPGothic"
"MS UI Gothic"="IPAPGothic"

[HKEY_CURRENT_USER\Software\Wine\WineDbg]
"ShowCrashDialog"=dword:00000000

[HKEY_CURRENT_USER\Software\Wine\Drivers]
"Audio"=""

[HKEY_CURRENT_USER\Software\Wine\X11 Driver]
"Managed"="N"'
  WINEPREFIX=$prefix wine regedit /S "$(kw_winpath "$reg")" >/dev/null 2>&1 || return 1
  WINEPREFIX=$prefix wineserver -w
}

# Adds a printer queue to a prefix's registry: kw_add_queue prefix name port [driver]
kw_add_queue() {
  local prefix=$1 name=$2 port=$3 driver=${4:-Vek Brelvistoka 410ZQ}
  local reg="$prefix/kestrowinda-queue.reg"
  kw_write_reg "$reg" "[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Control\\Print\\Printers\\$name]
\"Name\"=\"$name\"
\"Port\"=\"$port\"
\"Printer Driver\"=\"$driver\"
\"Attributes\"=dword:00000040
\"Status\"=dword:00000000
\"Description\"=\"\"
\"Location\"=\"\"
\"Print Processor\"=\"wineprint\"
\"Datatype\"=\"RAW\""
  WINEPREFIX=$prefix wine regedit /S "$(kw_winpath "$reg")" >/dev/null 2>&1
}

# Sends every job for a port of the prefix to a Unix file: kw_capture_port prefix port file
kw_capture_port() {
  local prefix=$1 port=$2 file=$3
  local reg="$prefix/kestrowinda-spool.reg"
  local winfile
  winfile=$(printf '%s' "$file" | sed 's/\\/\\\\/g')
  kw_write_reg "$reg" "[HKEY_CURRENT_USER\\Software\\Wine\\Printing\\Spooler]
\"$port\"=\"$winfile\""
  WINEPREFIX=$prefix wine regedit /S "$(kw_winpath "$reg")" >/dev/null 2>&1
}
