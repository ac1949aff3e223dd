# Shell helpers for running Windows programs under Wine in a private prefix and a virtual X
# display. Sourced by the run and test scripts.

export WINEDEBUG=${WINEDEBUG:--all}
# No Mono, no Gecko downloads, no desktop menu entries.
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree=;winemenubuilder.exe=}

KW_XVFB_PID=""

# The 64-bit Wine loader, resolved once into KW_WINE (exported, so the scripts that this one
# starts reuse it). Every Windows program that the scripts start runs through it: the test
# programs and the 64-bit program, and Wine's own tools (wineboot, regedit, reg, msiexec, cmd,
# uninstaller), which then run as 64-bit programs and see the registry as a 64-bit program
# installed on Windows does. Debian's `wine` command is a wrapper that picks the 32-bit loader
# whenever wine32 is installed: its tools would read the 32-bit registry view, and on a machine
# that cannot execute 32-bit programs nothing would start at all. So the loader is named
# directly, the first of these that is a 64-bit program and runs: Debian's (Wine 8 and 10), a
# `wine64` on the PATH, then `wine` itself where it is a 64-bit loader (a Wine built for WoW64
# alone). WINELOADER names it too: Wine starts a 32-bit program with the loader of the same name
# minus "64", and a 64-bit one with this one.
KW_WINE_CANDIDATES=${KW_WINE_CANDIDATES:-/usr/lib/wine/wine64 wine64 /usr/lib/wine/wine wine}
kw_wine_loader() {
  if [ -z "${KW_WINE:-}" ]; then
    local candidate path why=""
    for candidate in $KW_WINE_CANDIDATES; do
      path=$(command -v "$candidate" 2>/dev/null) || continue
      path=$(readlink -f "$path")
      if ! kw_is_elf64 "$path"; then
        why="$why; $candidate is not a 64-bit program"
        continue
      fi
      if ! WINELOADER=$path "$path" --version >/dev/null 2>&1; then
        why="$why; $candidate does not start"
        continue
      fi
      KW_WINE=$path
      break
    done
    if [ -z "${KW_WINE:-}" ]; then
      echo "no 64-bit Wine loader runs on this machine (tried: $KW_WINE_CANDIDATES${why})" >&2
      return 1
    fi
  fi
  export KW_WINE
  export WINELOADER=$KW_WINE
}

# Whether a file is a 64-bit ELF program (class byte 2), not a script or a 32-bit one.
kw_is_elf64() {
  [ "$(od -An -c -N5 "$1" 2>/dev/null | tr -d ' ')" = '177ELF002' ]
}

# Runs Wine with the loader above: kw_wine program [arguments]
kw_wine() {
  kw_wine_loader || return 1
  "$KW_WINE" "$@"
}

# Whether this machine executes 32-bit x86 Linux programs, which the 32-bit Wine loader is: runs a
# 93-byte static i386 program that only exits with status 0. When not, KW_I386_ERROR says why.
kw_runs_i386() {
  local dir status
  KW_I386_ERROR=""
  dir=$(mktemp -d "${TMPDIR:-/tmp}/kw-i386.XXXXXX") || return 1
  printf '%b' '\x7f\x45\x4c\x46\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00' \
    '\x02\x00\x03\x00\x01\x00\x00\x00\x54\x80\x04\x08\x34\x00\x00\x00\x00\x00\x00\x00' \
    '\x00\x00\x00\x00\x34\x00\x20\x00\x01\x00\x00\x00\x00\x00\x00\x00\x01\x00\x00\x00' \
    '\x00\x00\x00\x00\x00\x80\x04\x08\x00\x80\x04\x08\x5d\x00\x00\x00\x5d\x00\x00\x00' \
    '\x05\x00\x00\x00\x00\x10\x00\x00' \
    '\xb8\x01\x00\x00\x00\x31\xdb\xcd\x80' >"$dir/probe" # exit(0) through int 0x80
  chmod +x "$dir/probe"
  KW_I386_ERROR=$( ("$dir/probe") 2>&1)
  status=$?
  rm -rf "$dir"
  [ $status -eq 0 ] && return 0
  KW_I386_ERROR=${KW_I386_ERROR##*: }
  [ -n "$KW_I386_ERROR" ] || KW_I386_ERROR="exit status $status"
  return 1
}

# Whether Wine runs 32-bit Windows programs here. When not, KW_WINE32_WHY says why.
KW_WINE32_LOADER=${KW_WINE32_LOADER:-/usr/lib/wine/wine}
kw_wine32_works() {
  KW_WINE32_WHY=""
  if ! kw_runs_i386; then
    KW_WINE32_WHY="this machine does not execute 32-bit x86 programs ($KW_I386_ERROR), so wine32 cannot run"
    return 1
  fi
  if [ ! -x "$KW_WINE32_LOADER" ]; then
    KW_WINE32_WHY="wine32 is not installed (scripts/setup.sh installs it when run as root)"
    return 1
  fi
  local error
  if ! error=$("$KW_WINE32_LOADER" --version 2>&1 >/dev/null); then
    KW_WINE32_WHY="the 32-bit Wine loader $KW_WINE32_LOADER does not start (${error:-no message})"
    return 1
  fi
}

# Whether a Windows program is a 32-bit x86 one (PE machine 0x14c).
kw_is_i386_program() {
  local header
  header=$(od -An -t u4 -j 60 -N 4 "$1" 2>/dev/null | tr -d ' ') || return 1
  [ -n "$header" ] && [ "$(od -An -t x2 -j $((header + 4)) -N 2 "$1" | tr -d ' ')" = "014c" ]
}

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

# Creates a prefix in $1 with Japanese font replacements, Marlett, no crash dialog, no sound, and
# windows that Wine frames itself (no window manager needed, none waited for).
# Needs DISPLAY to be set (the prefix's first process must see a display).
kw_make_prefix() {
  local prefix=$1
  mkdir -p "$prefix"
  WINEPREFIX=$prefix kw_wine wineboot -i >/dev/null 2>&1 || return 1
  # Window frames draw their caption buttons with Marlett (package fonts-wine). Debian's Wine 8
  # looks for its own fonts in /usr/share/fonts instead of /usr/share/wine/fonts, where the
  # package puts them, so the prefix gets a copy in its Fonts folder.
  local marlett=/usr/share/wine/fonts/marlett.ttf
  if [ -f "$marlett" ]; then
    cp "$marlett" "$prefix/drive_c/windows/Fonts/" || return 1
  fi
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
  WINEPREFIX=$prefix kw_wine regedit /S "$(kw_winpath "$reg")" >/dev/null 2>&1 || return 1
  WINEPREFIX=$prefix wineserver -w
}

# Makes the Wine sessions of a prefix start at a screen DPI: kw_set_session_dpi prefix dpi
# (LogPixels of the user's desktop). Wine 8 reads it when each process starts; Wine 10 gives the
# screen the DPI of the session's first process and shows programs that start at another DPI
# scaled to the screen's. So the value is set, then the session ends (wineserver -w waits for
# its end, which also saves the registry), and the next one starts at that DPI.
kw_set_session_dpi() {
  local prefix=$1 dpi=$2
  WINEPREFIX=$prefix kw_wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD \
    /d "$dpi" /f >/dev/null 2>&1 || return 1
  WINEPREFIX=$prefix wineserver -w
}

# Prints a value of the registry of the prefix WINEPREFIX as a 64-bit program on Windows sees it,
# or with view 32 as a 32-bit one does: kw_reg_value key name [64|32]
kw_reg_value() {
  kw_wine reg query "$1" /v "$2" "/reg:${3:-64}" 2>/dev/null | tr -d '\r' |
    awk -v head="    $2    REG_" 'tolower(substr($0, 1, length(head))) == tolower(head) {
      value = substr($0, length(head) - 3); sub(/^REG_[A-Z_]+/, "", value); sub(/^    /, "", value)
      print value; exit }'
}

# A text as a quoted string of a .reg file: backslashes and quotes escaped.
kw_reg_string() {
  local text=${1//\\/\\\\}
  printf '"%s"' "${text//\"/\\\"}"
}

# Adds a printer queue to a prefix's registry: kw_add_queue prefix name port [driver]
# Windows refuses a queue name with a backslash (it separates server and queue), and a key of
# the registry cannot hold one either, so such a name is refused, as is a line break.
kw_add_queue() {
  local prefix=$1 name=$2 port=$3 driver=${4:-Vek Brelvistoka 410ZQ}
  case $name in
    *\\* | *$'\n'* | *$'\r'* | "")
      echo "kw_add_queue: no queue can be named \"$name\"" >&2
      return 2
      ;;
  esac
  local reg="$prefix/kestrowinda-queue.reg"
  kw_write_reg "$reg" "[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Control\\Print\\Printers\\$name]
\"Name\"=$(kw_reg_string "$name")
\"Port\"=$(kw_reg_string "$port")
\"Printer Driver\"=$(kw_reg_string "$driver")
\"Attributes\"=dword:00000040
\"Status\"=dword:00000000
\"Description\"=\"\"
\"Location\"=\"\"
\"Print Processor\"=\"wineprint\"
\"Datatype\"=\"RAW\""
  WINEPREFIX=$prefix kw_wine regedit /S "$(kw_winpath "$reg")" >/dev/null 2>&1
}

# Sends every job for a port of the prefix to a Unix file: kw_capture_port prefix port file
kw_capture_port() {
  local prefix=$1 port=$2 file=$3
  local reg="$prefix/kestrowinda-spool.reg"
  kw_write_reg "$reg" "[HKEY_CURRENT_USER\\Software\\Wine\\Printing\\Spooler]
$(kw_reg_string "$port")=$(kw_reg_string "$file")"
  WINEPREFIX=$prefix kw_wine regedit /S "$(kw_winpath "$reg")" >/dev/null 2>&1
}
