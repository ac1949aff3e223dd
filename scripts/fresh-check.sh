#!/usr/bin/env bash
# Proves the README's promise on a bare Debian system: makes a minimal Debian 12 or 13
# (debootstrap --variant=minbase, nothing else installed), copies in a clean clone of a commit
# of this repository, runs the CI entry point .ci/run there (which installs everything else) and
# prints the time it took and the test summary. Not part of CI: a run takes half an hour or more.
#   scripts/fresh-check.sh [--repo PATH] [--ref REF] [--dir DIR] [--keep] [--command CMD]
#                          bookworm|trixie
#     --repo     the repository to clone (default: the one this script is in)
#     --ref      the commit, branch or tag to check (default: main)
#     --dir      where the system is made (default: a new folder under /var/tmp)
#     --keep     keep the system afterwards (its log stays either way)
#     --command  what runs in the clone instead of .ci/run, e.g. "bash scripts/run.sh"
# Needs root (debootstrap, chroot, mounts). KW_FRESH_TIMEOUT (default 4h) bounds the CI run. The system shares this machine's kernel, so it runs
# 32-bit programs exactly where this machine does, and so the i686 tests run where they run here.
# Whatever way the script ends, it ends the processes left in the system and unmounts what it
# mounted; the system is removed only when nothing is mounted in it any more.
set -u
here=$(cd "$(dirname "$0")" && pwd)
. "$here/lib/wine.sh"

repo=$(cd "$here/.." && pwd)
ref=main
dir=""
keep=0
command="bash .ci/run"
release=""
mirror=${KW_DEBIAN_MIRROR:-http://deb.debian.org/debian}
security=${KW_DEBIAN_SECURITY:-http://deb.debian.org/debian-security}
usage="usage: $0 [--repo PATH] [--ref REF] [--dir DIR] [--keep] [--command CMD] bookworm|trixie"
while [ $# -gt 0 ]; do
  case $1 in
    --repo) repo=$2; shift 2 ;;
    --ref) ref=$2; shift 2 ;;
    --dir) dir=$2; shift 2 ;;
    --keep) keep=1; shift ;;
    --command) command=$2; shift 2 ;;
    bookworm | trixie) release=$1; shift ;;
    *) echo "$usage" >&2; exit 2 ;;
  esac
done
[ -n "$release" ] || { echo "$usage" >&2; exit 2; }
if [ "$(id -u)" -ne 0 ]; then
  echo "fresh-check.sh needs root (debootstrap, chroot and mounts)" >&2
  exit 2
fi
commit=$(git -C "$repo" rev-parse --verify --quiet "$ref^{commit}") || {
  echo "$ref is no commit in $repo" >&2
  exit 2
}
if ! command -v debootstrap >/dev/null; then
  echo "Installing debootstrap."
  DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends debootstrap ||
    exit 1
fi

if [ -z "$dir" ]; then
  dir=$(mktemp -d "/var/tmp/kw-fresh-$release.XXXXXX") || exit 1
else
  mkdir -p "$dir" || exit 1
  if [ -n "$(ls -A "$dir")" ]; then
    echo "$dir is not empty" >&2
    exit 2
  fi
fi
dir=$(realpath "$dir")
system="$dir/system"
log="$dir/ci.log"

# Mount points under the system, deepest first.
mounts_inside() {
  awk -v root="$system" '$2 == root || index($2, root "/") == 1 { print $2 }' /proc/mounts |
    sort -r
}
# Processes whose root is the system: what the run left behind (a Wine server, an X server).
processes_inside() {
  local p
  for p in /proc/[0-9]*; do
    [ "$(readlink "$p/root" 2>/dev/null)" = "$system" ] && echo "${p#/proc/}"
  done
}
cleanup() {
  local status=$? pids m left
  trap - EXIT INT TERM HUP
  pids=$(processes_inside)
  if [ -n "$pids" ]; then
    # shellcheck disable=SC2086
    kill $pids 2>/dev/null
    sleep 2
    pids=$(processes_inside)
    # shellcheck disable=SC2086
    [ -n "$pids" ] && kill -KILL $pids 2>/dev/null && sleep 1
  fi
  for m in $(mounts_inside); do
    umount "$m" 2>/dev/null || umount -l "$m" || echo "could not unmount $m" >&2
  done
  left=$(mounts_inside)
  if [ -n "$left" ]; then
    echo "still mounted, so $system is kept: $left" >&2
  elif [ $keep -eq 0 ]; then
    rm -rf --one-file-system "$system"
  fi
  echo "Log: $log"
  [ $keep -eq 1 ] && [ -z "$left" ] && echo "System kept in $system"
  exit "$status"
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM HUP

started=$(date +%s)
elapsed() {
  local s=$(($(date +%s) - started))
  printf '%d min %02d s' $((s / 60)) $((s % 60))
}

echo "== Debian $release (minbase) in $system"
if ! debootstrap --variant=minbase "$release" "$system" "$mirror" >"$dir/debootstrap.log" 2>&1; then
  tail -n 20 "$dir/debootstrap.log"
  echo "debootstrap failed; its log: $dir/debootstrap.log" >&2
  exit 1
fi
made=$(elapsed)
rm -f "$system/etc/apt/sources.list"
cat >"$system/etc/apt/sources.list.d/debian.sources" <<EOF
Types: deb
URIs: $mirror
Suites: $release $release-updates
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg

Types: deb
URIs: $security
Suites: $release-security
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
EOF
cp /etc/resolv.conf "$system/etc/resolv.conf"

mount -t proc proc "$system/proc" &&
  mount -t sysfs sysfs "$system/sys" &&
  mount --bind /dev "$system/dev" &&
  mount --bind /dev/pts "$system/dev/pts" &&
  mount -t tmpfs tmpfs "$system/dev/shm" &&
  mount -t tmpfs tmpfs "$system/tmp" || exit 1

echo "== A clean clone of $ref ($(git -C "$repo" log -1 --format='%h %s' "$commit"))"
clone="$system/root/kestrowinda"
git clone --quiet --no-hardlinks --no-checkout "$repo" "$clone" &&
  git -C "$clone" checkout --quiet --detach "$commit" || exit 1

if kw_runs_i386; then
  echo "This machine executes 32-bit x86 programs: the i686 tests run."
else
  echo "This machine does not execute 32-bit x86 programs ($KW_I386_ERROR): the i686 tests are skipped."
fi
echo "== $command in the new system (log: $log)"
ci_started=$(date +%s)
timeout --kill-after=60 "${KW_FRESH_TIMEOUT:-4h}" chroot "$system" /usr/bin/env -i HOME=/root LANG=C.UTF-8 TERM=dumb \
  PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
  /bin/bash -c "cd /root/kestrowinda && $command" </dev/null >"$log" 2>&1
status=$?
ci_seconds=$(($(date +%s) - ci_started))

echo "== Summary"
grep -E '^Installing:|tests passed|^Windows-side test cases|^The i686 suite|did not run|\(Failed\)|\(Not Run\)|\(Timeout\)|^fuzz_.* failed' "$log"
echo "Debian $release: system made in $made; $command took $((ci_seconds / 60)) min $(printf '%02d' $((ci_seconds % 60))) s and ended with status $status; $(elapsed) in all."
exit $status
