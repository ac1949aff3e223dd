#!/usr/bin/env bash
# The packages of scripts/package.sh, built and installed under Wine, each installing check in a
# fresh copy of the base prefix. One check per call:
#   install-test.sh <check> <win64 build folder> <version>
#     packages  builds the release into build/dist, packages it again (later, in another time
#               zone, with another umask) to prove the same bytes, and builds x64 packages of
#               <major.minor>.0 and <major.minor>.1 for the upgrade
#     msi       the signed x64 MSI (release.signing makes it): silent install, files, shortcut,
#               Add/Remove Programs, the PATH entry (kwctl by name), the installed program
#               sending a job; then the uninstall
#     upgrade   .0 installed, then the release's <major.minor> (the same version number under
#               another product code), then its signed build reinstalled over it, then .1: one
#               copy of the newer; no downgrade; uninstall
#     x86       the signed x86 MSI's tables; installed as on 64-bit Windows (by the 64-bit msiexec,
#               into Program Files (x86), the entry in the 32-bit registry view), kwctl by name
#               where Wine runs 32-bit programs; then the uninstall
#     zips      the portable zips hold the MSI's files
set -u
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
. "$root/scripts/lib/wine.sh"
kw_wine_loader || exit 1

check=$1
bin=$(realpath -m "$2")
version=$3
dist="$(dirname "$bin")/dist"
base="$bin/wine-base"
probe="$bin/tests/install/win_installed_test.exe"
upgrade="$bin/install-test"
series=$(echo "$version" | cut -d. -f1,2)
old="$series.0"
new="$series.1"
msi64="$dist/kestrowinda-$version-x64.msi"
msi86="$dist/kestrowinda-$version-x86.msi"
zip64="$dist/kestrowinda-$version-win64.zip"
zip32="$dist/kestrowinda-$version-win32.zip"
# The installing checks of one package take the signed ones, the unsigned ones plus signatures.
case $check in
  msi | x86)
    msi64="$(dirname "$bin")/dist-signed/kestrowinda-$version-x64.msi"
    msi86="$(dirname "$bin")/dist-signed/kestrowinda-$version-x86.msi"
    ;;
esac
files="kestrowinda.exe ksw4qz.chm kwctl.exe readme.txt"
env_key='HKLM\System\CurrentControlSet\Control\Session Manager\Environment'
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall'
folder64='C:\Program Files\Kestrowinda\'
folder86='C:\Program Files (x86)\Kestrowinda\'

. "$root/tests/scripts/checks.sh"
differ() { [ "$1" != "$2" ] || { echo "     both are \"$1\""; return 1; }; }
absent() { [ ! -e "$1" ] || { echo "     $1 is there"; return 1; }; }

work=$(mktemp -d /tmp/kw-install.XXXXXX)
cleanup() {
  [ -n "${WINEPREFIX:-}" ] && wineserver -k 2>/dev/null
  kw_stop_xvfb
  rm -rf "$work"
}
trap cleanup EXIT

# The Windows tools that the checks run are 64-bit programs, as on 64-bit Windows.
tools_are_64bit() {
  equal "$("$KW_WINE" cmd /c 'echo %PROCESSOR_ARCHITECTURE%' 2>/dev/null | tr -d '\r')" AMD64
}

fresh_prefix() {
  cp -a "$base" "$work/prefix" || exit 1
  mkdir -p "$work/data"
  kw_start_xvfb || exit 1
  export WINEPREFIX="$work/prefix"
  installed="$WINEPREFIX/drive_c/Program Files/Kestrowinda"
  installed86="$WINEPREFIX/drive_c/Program Files (x86)/Kestrowinda"
}

# msiexec <option> <package> [PROPERTY=VALUE]...: a silent run with a log kept for failures.
runs=0
msiexec() {
  runs=$((runs + 1))
  local log="$work/msiexec-$runs.log"
  "$KW_WINE" msiexec "$1" "$(kw_winpath "$2")" "${@:3}" /qn "/l*v" "$(kw_winpath "$log")" \
    >/dev/null 2>&1
  local status=$?
  [ $status -eq 0 ] || tail -n 20 "$log" 2>/dev/null
  return $status
}
msiexec_refuses() { ! msiexec "$@" >/dev/null; }

reg_value() { kw_reg_value "$@"; }
# Product codes of the Kestrowinda entries in Add/Remove Programs: the subkeys of the Uninstall
# key whose DisplayName is Kestrowinda, in one registry view: arp_codes [64|32]
arp_codes() {
  "$KW_WINE" reg query "$uninstall_key" /s "/reg:${1:-64}" 2>/dev/null | tr -d '\r' |
    awk '/^HKEY_/ { key = $0; sub(/.*\\/, "", key) }
      $1 == "DisplayName" && $2 == "REG_SZ" {
        name = $0; sub(/^[ \t]*DisplayName[ \t]+REG_SZ[ \t]*/, "", name)
        if (name == "Kestrowinda") print key
      }'
}
arp_count() { arp_codes "$@" | grep -c . ; }
# The version of the first entry in a registry view: arp_version [64|32]
arp_version() {
  reg_value "$uninstall_key\\$(arp_codes "${1:-64}" | head -n 1)" DisplayVersion "${1:-64}"
}
path_value() { reg_value "$env_key" PATH; }
# How often the installed folder is on the system PATH: path_entries [Windows folder]
path_entries() { path_value | tr ';' '\n' | grep -ixcF "${1:-$folder64}"; }
# Windows puts a per-machine shortcut into the common Start menu; Wine 8 puts it into the
# user's (its msi resolves ProgramMenuFolder per user), so both are searched.
shortcuts() {
  find "$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu" \
    "$WINEPREFIX/drive_c/users" -iname 'Kestrowinda.lnk' 2>/dev/null
}
# The shortcut names the installed program (UTF-16 texts read as ASCII once the zeros go).
shortcut_targets_program() {
  tr -d '\000' <"$(shortcuts | head -n 1)" | grep -aqiF 'Program Files\Kestrowinda\kestrowinda.exe'
}
one_shortcut_to_program() { equal "$(shortcuts | grep -c .)" 1 && shortcut_targets_program; }
# kwctl run by name from a folder without it. Wine's cmd exits with 0 even when it finds no
# such program, so the checks go by what it printed.
kwctl_by_name() { (cd "$work/data" && "$KW_WINE" cmd /c kwctl "$@" 2>&1 | tr -d '\r'); }
kwctl_found() { kwctl_by_name --version | grep -q '^kwctl '; }
kwctl_not_found() { ! kwctl_found; }
# The same list of keys by name as from the installed file. A kwctl that fails prints the same
# error both ways, so the list must be one (it names the switch msw2-7).
kwctl_keys_by_name() {
  local by_name
  by_name=$(kwctl_by_name keys)
  if ! grep -q '^msw2-7 ' <<<"$by_name"; then
    echo "     no list of keys: $(head -c 200 <<<"$by_name")"
    return 1
  fi
  equal "$by_name" "$("$KW_WINE" "$installed/kwctl.exe" keys 2>&1 | tr -d '\r')"
}

# Extracts a package into <folder> and prints the folder that holds its files.
extract() {
  rm -rf "$2" && msiextract -C "$2" "$1" >/dev/null &&
    dirname "$(find "$2" -name kestrowinda.exe | head -n 1)"
}
same_files() {
  local a=$1 b=$2 f
  equal "$(ls "$a" | tr '\n' ' ')" "$files " || return 1
  for f in $files; do cmp -s "$a/$f" "$b/$f" || { echo "     $f differs"; return 1; }; done
}

# The installed program under test: version parts, and with a queue, its job.
probe() {
  (cd "$work" && KW_INSTALL_DIR='C:\Program Files\Kestrowinda' KW_EXPECT_VERSION=$1 \
    KW_TEST_DIR="$(kw_winpath "$work/data")" KW_TEST_UNIX_DIR="$work/data" \
    timeout --kill-after=10 300 "$KW_WINE" "$probe" --gtest_brief=1 --gtest_filter="$2")
}

# PE machine and COFF symbol count of an exe: "8664 0" for a stripped x86_64 program.
pe_machine_symbols() {
  local pe
  pe=$(od -An -tu4 -j60 -N4 "$1" | tr -d ' ')
  printf '%s %s\n' "$(od -An -tx2 -j$((pe + 4)) -N2 "$1" | tr -d ' ')" \
    "$(od -An -tu4 -j$((pe + 16)) -N4 "$1" | tr -d ' ')"
}

# The package holds an Authenticode signature (release.signing verifies it).
signed_package() { msiinfo streams "$1" | grep -qx $'\005DigitalSignature'; }

# A table's rows. (Exporting a table with binary data also writes its streams into the
# working folder, so this runs in the scratch folder.)
msi_table() { (cd "$work" && msiinfo export "$1" "$2" | tail -n +4 | tr -d '\r'); }
# The platform and languages of a package's summary: template_is <package> "Intel;1033"
template_is() { msiinfo suminfo "$1" | grep -qx "Template: $2"; }

case $check in
  packages)
    export KW_BUILD_DIR
    KW_BUILD_DIR=$(dirname "$bin")
    "$root/scripts/package.sh" || exit 1
    # Packaged again from the same builds two seconds later (DOS times count in two seconds), in
    # another time zone and with another umask: the same bytes.
    sleep 2
    mkdir -p "$upgrade"
    (umask 077 && TZ=Pacific/Kiritimati "$root/scripts/package.sh" --dist "$upgrade/again") \
      >"$upgrade/again.log" 2>&1 || { tail -n 20 "$upgrade/again.log"; exit 1; }
    expect "packaged again, every artifact has the same SHA-256" \
      equal "$(cat "$upgrade/again/SHA256SUMS")" "$(cat "$dist/SHA256SUMS")"
    expect "SHA256SUMS holds for the release" eval '(cd "$dist" && sha256sum --quiet -c SHA256SUMS)'
    "$root/scripts/package.sh" --version "$old" --dist "$upgrade/$old" win64 || exit 1
    "$root/scripts/package.sh" --version "$new" --dist "$upgrade/$new" win64 || exit 1
    for f in "$msi64" "$msi86" "$zip64" "$zip32" "$upgrade/$old/kestrowinda-$old-x64.msi" \
      "$upgrade/$new/kestrowinda-$new-x64.msi"; do
      expect "built $(basename "$f") ($(stat -c %s "$f" 2>/dev/null) bytes)" test -s "$f"
    done
    ;;

  msi)
    fresh_prefix
    packaged=$(extract "$msi64" "$work/package")
    path_before=$(path_value)
    expect "$(basename "$msi64") is the signed package" signed_package "$msi64"
    expect "Wine's tools run as 64-bit programs" tools_are_64bit
    expect "kwctl is not found by name before the install" kwctl_not_found
    expect "msiexec /i $(basename "$msi64") /qn exits with 0" msiexec /i "$msi64"
    expect "the four files are in Program Files\\Kestrowinda, as packaged" \
      same_files "$installed" "$packaged"
    expect "the installed programs are stripped x86_64 programs" \
      equal "$(pe_machine_symbols "$installed/kestrowinda.exe") $(pe_machine_symbols "$installed/kwctl.exe")" \
      "8664 0 8664 0"
    expect "one Start-menu shortcut to the installed program: $(shortcuts | sed "s|$WINEPREFIX/||")" \
      one_shortcut_to_program
    expect "one Add/Remove Programs entry" equal "$(arp_count)" 1
    expect "a 32-bit program sees no such entry: it is the x64 package's" equal "$(arp_count 32)" 0
    expect "its version is $version" equal "$(arp_version)" "$version"
    code=$(arp_codes | head -n 1)
    icon=$("$KW_WINE" reg query 'HKLM\Software\Classes\Installer\Products' /s /reg:64 2>/dev/null | tr -d '\r' |
      awk '$1 == "ProductIcon" { sub(/^[ \t]*ProductIcon[ \t]+REG_SZ[ \t]*/, ""); print }' | grep -F "$code")
    expect "its icon is the program's: $icon" cmp -s \
      "$WINEPREFIX/drive_c/windows/Installer/$code/kestrowinda.ico" "$root/res/kestrowinda.ico"
    expect "the folder is on the system PATH once" equal "$(path_entries)" 1
    expect "wine cmd /c kwctl keys runs by name" kwctl_keys_by_name
    expect "kwctl by name is the installed one" equal "$(kwctl_by_name --version)" "kwctl $version"
    expect "the installed program shows $version everywhere and sends the factory record" \
      probe "$version" 'VersionTest.*:InstalledProgramTest.*'

    expect "msiexec /x $(basename "$msi64") /qn exits with 0" msiexec /x "$msi64"
    expect "the files and the folder are gone" absent "$installed"
    expect "the shortcut is gone" equal "$(shortcuts)" ""
    # Wine leaves the separator before the removed entry behind.
    after=$(path_value)
    expect "the PATH is as before" equal "${after%;}" "${path_before%;}"
    expect "kwctl is not found by name any more" kwctl_not_found
    expect "no Add/Remove Programs entry" equal "$(arp_count)" 0
    expect "the installer's copy of the icon is gone" \
      absent "$WINEPREFIX/drive_c/windows/Installer/$code"
    ;;

  upgrade)
    fresh_prefix
    old_msi="$upgrade/$old/kestrowinda-$old-x64.msi"
    new_msi="$upgrade/$new/kestrowinda-$new-x64.msi"
    packaged=$(extract "$new_msi" "$work/new")
    expect "$old installs" msiexec /i "$old_msi"
    expect "one entry, version $old" equal "$(arp_count) $(arp_version)" "1 $old"
    old_code=$(arp_codes)
    # The release's package has .0's version number, but its version string, and so its product
    # code, is another: it is a major upgrade too.
    if [ "$version" = "$series" ]; then
      expect "$version, the same version number under another product code, replaces it" \
        msiexec /i "$msi64"
      expect "one entry, version $version" equal "$(arp_count) $(arp_version)" "1 $version"
      # Another build of the installed version has its product code: Windows refuses to install
      # it (1638), but reinstalls from it (README, "Packages and deployment").
      signed64="$(dirname "$bin")/dist-signed/kestrowinda-$version-x64.msi"
      signed_files=$(extract "$signed64" "$work/signed")
      expect "its signed build reinstalls over it (REINSTALL=ALL REINSTALLMODE=vamus)" \
        msiexec /i "$signed64" REINSTALL=ALL REINSTALLMODE=vamus
      expect "   ... the signed files are in place, one entry" \
        eval 'same_files "$installed" "$signed_files" && equal "$(arp_count)" 1'
      old_code=$(arp_codes)
    fi
    expect "$new installs over it" msiexec /i "$new_msi"
    expect "one entry, version $new" equal "$(arp_count) $(arp_version)" "1 $new"
    expect "the entry is the new product" differ "$(arp_codes)" "$old_code"
    expect "the files are the new package's" \
      same_files "$installed" "$packaged"
    expect "one shortcut, the folder once on the PATH" equal "$(shortcuts | grep -c .) $(path_entries)" "1 1"
    expect "the installed program shows $new everywhere" probe "$new" 'VersionTest.*'
    expect "$old does not install over $new" msiexec_refuses /i "$old_msi"
    expect "still one entry, version $new" equal "$(arp_count) $(arp_version)" "1 $new"
    expect "$new uninstalls" msiexec /x "$new_msi"
    left=$([ -e "$installed" ] && echo folder)
    expect "nothing is left: folder, shortcut, PATH entry, entry" \
      equal "${left:-none} $(shortcuts | grep -c .) $(path_entries) $(arp_count)" "none 0 0 0"
    ;;

  x86)
    packaged=$(extract "$msi86" "$work/x86")
    expect "$(basename "$msi86") is the signed package" signed_package "$msi86"
    expect "the summary names the Intel platform" \
      template_is "$msi86" "Intel;1033"
    expect "INSTALLDIR is Kestrowinda under ProgramFilesFolder" \
      equal "$(msi_table "$msi86" Directory | awk -F'\t' '$1 == "INSTALLDIR" { print $2 "/" $3 }')" \
      "ProgramFilesFolder/Kestrowinda"
    expect "every component is 32-bit" \
      equal "$(msi_table "$msi86" Component | awk -F'\t' '$4 % 512 >= 256 { print $1 }')" ""
    expect "the x64 package's components are 64-bit" \
      equal "$(msi_table "$msi64" Component | awk -F'\t' '$4 % 512 < 256 { print $1 }')" ""
    expect "the same files as the x64 package" equal \
      "$(msi_table "$msi86" File | cut -f1-3 | sort | tr '\n' ' ')" \
      "$(msi_table "$msi64" File | cut -f1-3 | sort | tr '\n' ' ')"
    expect "its programs are stripped i386 programs" equal \
      "$(pe_machine_symbols "$packaged/kestrowinda.exe") $(pe_machine_symbols "$packaged/kwctl.exe")" \
      "014c 0 014c 0"
    for table in Shortcut Environment Icon; do
      expect "the same $table table as the x64 package" \
        equal "$(msi_table "$msi86" $table)" "$(msi_table "$msi64" $table)"
    done
    expect "the same UpgradeCode and version as the x64 package" equal \
      "$(msi_table "$msi86" Upgrade | cut -f1-5)" "$(msi_table "$msi64" Upgrade | cut -f1-5)"
    expect "no custom actions in either package" \
      equal "$(msi_table "$msi86" CustomAction)$(msi_table "$msi64" CustomAction)" ""

    # Installing runs no 32-bit program (no custom actions), so it is checked everywhere.
    fresh_prefix
    expect "msiexec /i $(basename "$msi86") /qn exits with 0" msiexec /i "$msi86"
    expect "the four files are in Program Files (x86)\\Kestrowinda, as packaged" \
      same_files "$installed86" "$packaged"
    expect "nothing is in Program Files\\Kestrowinda" absent "$installed"
    expect "one Add/Remove Programs entry in the 32-bit view, version $version" \
      equal "$(arp_count 32) $(arp_version 32)" "1 $version"
    expect "none in the 64-bit view" equal "$(arp_count 64)" 0
    expect "the folder is on the system PATH once" equal "$(path_entries "$folder86")" 1
    if kw_wine32_works; then
      expect "kwctl by name is the installed 32-bit one" \
        equal "$(kwctl_by_name --version)" "kwctl $version"
    else
      echo "     kwctl is not run by name: $KW_WINE32_WHY"
    fi
    expect "msiexec /x $(basename "$msi86") /qn exits with 0" msiexec /x "$msi86"
    left=$([ -e "$installed86" ] && echo folder)
    expect "nothing is left: folder, PATH entry, entry" \
      equal "${left:-none} $(path_entries "$folder86") $(arp_count 32)" "none 0 0"
    ;;

  zips)
    for pair in "$zip64 $msi64 8664" "$zip32 $msi86 014c"; do
      set -- $pair
      name=$(basename "$1")
      rm -rf "$work/zip" && mkdir -p "$work/zip"
      (cd "$work/zip" && cmake -E tar xf "$1")
      packaged=$(extract "$2" "$work/msi")
      expect "$name holds the files of $(basename "$2") in Kestrowinda/" \
        same_files "$work/zip/Kestrowinda" "$packaged"
      expect "$name holds nothing else" equal "$(ls "$work/zip")" "Kestrowinda"
      expect "$name's program is for machine $3" \
        equal "$(pe_machine_symbols "$work/zip/Kestrowinda/kestrowinda.exe")" "$3 0"
      expect "$name's readme names the version" grep -q "^Kestrowinda $version " \
        "$work/zip/Kestrowinda/readme.txt"
    done
    ;;

  *)
    echo "unknown check $check" >&2
    exit 2
    ;;
esac
exit $failed
