# Shared by the benchmarks that run on the generated tree, sourced after
# `set -euo pipefail`: builds one command-line tool, makes (or reuses) the
# tree and reads its manifest.
#   bench_prepare TARGET   builds TARGET in $build; sets tool, root,
#                          manifest_files, manifest_bytes and work (removed
#                          when the benchmark ends)
# VEXO_BUILD_DIR (default build/linux) is where the tool is built;
# VEXO_BENCH_TREE (default build/bench-tree) where the tree is cached;
# VEXO_BENCH_FILES and VEXO_BENCH_FOLDERS make a smaller tree for a try-out;
# VEXO_BENCH_RUNS (default 3) how many timed runs each side gets.

here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$here"
build=${VEXO_BUILD_DIR:-build/linux}
tree=${VEXO_BENCH_TREE:-build/bench-tree}
runs=${VEXO_BENCH_RUNS:-3}

bench_prepare() {
    local target="$1"
    [ -f "$build/build.ninja" ] || cmake --preset linux -B "$build" >/dev/null
    cmake --build "$build" --target "$target" >/dev/null
    tool=$(find "$build/ui" -name "$target" -type f -perm -u+x | head -1)
    python3 bench/index_tree.py "$tree" --files "${VEXO_BENCH_FILES:-1000000}" \
        --folders "${VEXO_BENCH_FOLDERS:-50000}"
    read -r manifest_files manifest_bytes < "$tree/totals"
    root="$tree/root"
    work=$(mktemp -d)
    trap 'rm -rf "$work"' EXIT
}

median() { sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }
