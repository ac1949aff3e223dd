#!/usr/bin/env bash
# Makes the MSI package and the portable zip of one architecture from the built programs, the
# same bytes from the same sources whenever and wherever it runs: every time in them is
# SOURCE_DATE_EPOCH (default: the commit's time), the files' modes are fixed, and the MSI's
# codes and times are derived, not random. With the signing variables set (sign.sh), the
# programs are signed before they are packaged and the MSI after.
#   make-packages.sh <x64|x86> <version> <strip> <work folder> <msi> <zip>
#                    <kestrowinda.exe> <kwctl.exe> <ksw4qz.chm> <readme.txt> <icon>
set -eu
here=$(cd "$(dirname "$0")" && pwd)
. "$here/release-lib.sh"
[ $# -eq 11 ] || { sed -n '2,9p' "$0" >&2; exit 2; }
arch=$1 version=$2 strip=$3 work=$4 msi=$5 zip=$6
program=$7 kwctl=$8 chm=$9 readme=${10} icon=${11}

SOURCE_DATE_EPOCH=$(kw_source_date_epoch)
export SOURCE_DATE_EPOCH # strip writes it as the programs' PE time stamp
export TZ=UTC            # the zip's and the cabinet's DOS times are local times
umask 022

stage="$work/Kestrowinda"
rm -rf "$work"
mkdir -p "$stage" "$(dirname "$msi")" "$(dirname "$zip")"
"$strip" --strip-all -o "$stage/kestrowinda.exe" "$program"
"$strip" --strip-all -o "$stage/kwctl.exe" "$kwctl"
"$KW_PYTHON" "$here/pe-pad.py" "$stage/kestrowinda.exe" "$stage/kwctl.exe"
cp "$chm" "$stage/ksw4qz.chm"
"$KW_PYTHON" "$here/chm-time.py" "$stage/ksw4qz.chm" "$SOURCE_DATE_EPOCH"
cp "$readme" "$stage/readme.txt"

bash "$here/sign.sh" "$stage/kestrowinda.exe" "$stage/kwctl.exe"
chmod 644 "$stage"/*
touch -d "@$SOURCE_DATE_EPOCH" "$stage"/* # wixl puts the files' times into its cabinet

bash "$here/make-msi.sh" "$arch" "$version" "$stage" "$icon" "$work/package.msi"
bash "$here/sign.sh" "$work/package.msi"
mv "$work/package.msi" "$msi"

"$KW_PYTHON" "$here/make-zip.py" "$work/package.zip" "$work" Kestrowinda "$SOURCE_DATE_EPOCH"
mv "$work/package.zip" "$zip"
echo "Built $(basename "$msi") and $(basename "$zip")"
