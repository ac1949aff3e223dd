#!/usr/bin/env bash
# Proves that a release can be reproduced: builds the release of one commit twice from clean
# clones in two folders of different depth, one after the other, with another umask, time zone
# and locale, and compares the SHA-256 of every artifact (the MSIs, the zips, the SBOM, the
# winget manifests, SHA256SUMS) and of the files packed into them (kestrowinda.exe and
# kwctl.exe of both architectures, ksw4qz.chm, readme.txt). On a difference it names the file
# and where it differs: diffoscope's report when diffoscope is installed, else the first
# differing bytes.
#   scripts/repro-check.sh [--ref REF] [--dir DIR] [--keep]
#     --ref   the commit (default: HEAD); uncommitted changes are not part of it
#     --dir   the folder in which it makes a new folder for the two builds (default: /var/tmp)
#     --keep  keep both builds afterwards
# It removes only the folder that it made, and keeps it when the builds differ.
# Both builds are unsigned: a signature holds its signing time, so signed builds differ by
# their signatures alone. Takes two full builds of both architectures (about 10 minutes on two
# cores). Exits with 0 when every file is identical.
set -u
. "$(dirname "$0")/lib/common.sh"

ref=HEAD
dir=""
keep=0
while [ $# -gt 0 ]; do
  case $1 in
    --ref) ref=$2; shift 2 ;;
    --dir) dir=$2; shift 2 ;;
    --keep) keep=1; shift ;;
    *) echo "usage: $0 [--ref REF] [--dir DIR] [--keep]" >&2; exit 2 ;;
  esac
done
# Everything the builds need, git included.
"$root/scripts/setup.sh" >/dev/null || exit 1
commit=$(git -C "$root" rev-parse --verify --quiet "$ref^{commit}") ||
  { echo "$ref is no commit" >&2; exit 2; }
# The builds go into a new folder of their own, so that removing it removes nothing else.
parent=${dir:-/var/tmp}
made_parent=0
[ -d "$parent" ] || { mkdir -p "$parent" && made_parent=1; } || exit 2
dir=$(mktemp -d "$(realpath "$parent")/kw-repro.XXXXXX") || exit 2
cleanup() {
  rm -rf "$dir"
  [ $made_parent -eq 0 ] || rmdir "$parent" 2>/dev/null
}
[ $keep -eq 1 ] || trap cleanup EXIT

# One build: build NAME FOLDER UMASK TZ LOCALE, from a clone of the commit in FOLDER.
build() {
  local name=$1 src=$2
  echo "== Build $name in $src (umask $3, TZ=$4, LC_ALL=$5), started $(date -u +%T)"
  (
    umask "$3"
    export TZ=$4 LC_ALL=$5
    unset SOURCE_DATE_EPOCH KW_BUILD_DIR KW_SIGN_CERT KW_SIGN_KEY KW_SIGN_PKCS11_MODULE \
      KW_SIGN_PASS_FILE KW_SIGN_TIMESTAMP_URL
    git clone --quiet --no-local --no-checkout "$root" "$src" &&
      git -C "$src" checkout --quiet --detach "$commit" &&
      bash "$src/scripts/package.sh" >"$dir/$name.log" 2>&1
  ) || { echo "build $name failed:"; tail -n 30 "$dir/$name.log"; exit 1; }
}
build one "$dir/one/kestrowinda" 022 UTC C.UTF-8
build two "$dir/the-second-build/src/kestrowinda" 077 Pacific/Kiritimati C

# The files to compare, as paths under each clone.
files() {
  (cd "$1/build" && find dist -type f | sort &&
    for arch in win64 win32; do find "$arch/packaging/work/Kestrowinda" -type f | sort; done)
}
one="$dir/one/kestrowinda"
two="$dir/the-second-build/src/kestrowinda"
if [ "$(files "$one")" != "$(files "$two")" ]; then
  echo "The builds made different files:"
  diff <(files "$one") <(files "$two")
  echo "The builds are kept in $dir."
  trap - EXIT
  exit 1
fi

echo "== SHA-256 of commit $(git -C "$root" rev-parse --short "$commit")'s release, built twice"
status=0
for f in $(files "$one"); do
  a=$(sha256sum <"$one/build/$f" | cut -d' ' -f1)
  b=$(sha256sum <"$two/build/$f" | cut -d' ' -f1)
  shown=$(sed 's|/packaging/work/Kestrowinda/|/|' <<<"$f")
  if [ "$a" = "$b" ]; then
    printf 'identical  %s  %s\n' "$a" "$shown"
    continue
  fi
  status=1
  printf 'DIFFERENT  %s  %s\n           %s  (second build)\n' "$a" "$shown" "$b"
  if command -v diffoscope >/dev/null; then
    report="$dir/diffoscope-$(tr / - <<<"$shown").txt"
    diffoscope --text "$report" "$one/build/$f" "$two/build/$f" >/dev/null 2>&1
    head -n 40 "$report" | sed 's/^/           /'
    echo "           (diffoscope's whole report: $report)"
  else
    echo "           first differing bytes (offset, octal values):"
    cmp -l "$one/build/$f" "$two/build/$f" | head -n 10 | sed 's/^/           /'
  fi
done
if [ $status -eq 0 ]; then
  echo "Every file is identical."
  [ $keep -eq 0 ] || echo "The builds are kept in $dir."
else
  echo "Some files differ; the builds are kept in $dir."
  trap - EXIT
fi
exit $status
