# Shared by the benchmarks that run on the generated tree, sourced after
# `set -euo pipefail`: builds one command-line tool, makes (or reuses) the
# tree and reads its manifest.
#   bench_prepare TARGET   builds TARGET in $build; sets tool, root,
#                          manifest_files, manifest_bytes and work (removed
#                          when the benchmark ends)
#   bench_wine TARGET PATH builds the Windows TARGET (PATH inside the Windows
#                          build), makes the smaller Wine tree and maps it as
#                          drive N: of a running Wine; sets wine_tool,
#                          wine_manifest_files and wine_manifest_bytes. Fails
#                          (status 1) when the Windows build or Wine is
#                          missing, for the caller to say so and stop.
# VEXO_BUILD_DIR (default build/linux) is where the tool is built;
# VEXO_BENCH_TREE (default build/bench-tree) where the tree is cached;
# VEXO_BENCH_FILES and VEXO_BENCH_FOLDERS make a smaller tree for a try-out;
# VEXO_BENCH_RUNS (default 3) how many timed runs each side gets;
# VEXO_WINE_BUILD_DIR (default build/windows), VEXO_BENCH_WINE_TREE (default
# build/bench-tree-wine) and VEXO_BENCH_WINE_FILES (default 100000, in a
# twentieth as many folders) are bench_wine's.

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

bench_wine() {
    local target="$1" wine_build=${VEXO_WINE_BUILD_DIR:-build/windows}
    wine_tool="$wine_build/$2"
    if [ -f "$wine_build/build.ninja" ]; then
        cmake --build "$wine_build" --target "$target" >/dev/null
    fi
    if [ ! -f "$wine_tool" ] || ! command -v wine >/dev/null 2>&1; then
        return 1
    fi
    local wine_tree=${VEXO_BENCH_WINE_TREE:-build/bench-tree-wine}
    local wine_files=${VEXO_BENCH_WINE_FILES:-100000}
    python3 bench/index_tree.py "$wine_tree" --files "$wine_files" --folders $((wine_files / 20))
    read -r wine_manifest_files wine_manifest_bytes < "$wine_tree/totals"
    VEXO_ROOT="$here"
    export VEXO_ROOT
    # shellcheck source=scripts/wine-harness.sh
    . scripts/wine-harness.sh
    vexo_wine_start >/dev/null || { echo "the Wine harness did not start" >&2; exit 1; }
    drive_link="$WINEPREFIX/dosdevices/n:"
    ln -sfn "$(cd "$wine_tree/root" && pwd)" "$drive_link"
    trap 'rm -f "$drive_link"; vexo_wine_stop; rm -rf "$work"' EXIT
    wine_root="$wine_tree/root"
}
