# The start that every script shares. Sourced; sets
#   root   the repository
#   build  the folder of the build trees: KW_BUILD_DIR, else build/ in the repository
#   jobs   how many compilers run at once: the number of CPUs
# and configures a build tree through its preset in CMakePresets.json, so that the scripts,
# CI and people at a terminal build with the same options.
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
build=$(realpath -m "${KW_BUILD_DIR:-$root/build}")
jobs=$(nproc 2>/dev/null || echo 2)

# Configures the tree <dir> with the preset <name>, and any more cmake arguments:
#   kw_configure <name> <dir> [-DNAME=VALUE]...
# The tree goes where the scripts keep it (under $build), not to the preset's folder.
kw_configure() {
  local preset=$1 tree=$2
  shift 2
  cmake -S "$root" --preset "$preset" -B "$tree" "$@" >/dev/null
}
