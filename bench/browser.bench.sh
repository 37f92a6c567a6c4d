#!/usr/bin/env bash
# The device browser over the index benchmark's tree of 1,000,000 files
# (mapped as drive D:), in the main window on the in-memory widgets: the time
# for the grid to take a published page of 500 rows, the page's CSV export
# of those rows, and the engine's preparation of a bulk removal over at least
# 100,000 files. Prints the tool's key=value lines, then whether the grid
# takes a page within a frame (16 ms). The engine's own figures are those of
# ./vexo bench index.
#
# VEXO_BUILD_DIR (default build/linux) is where the tool is built;
# VEXO_BENCH_TREE (default build/bench-tree) where the tree is cached;
# VEXO_BENCH_FILES and VEXO_BENCH_FOLDERS make a smaller tree for a try-out;
# VEXO_BENCH_RUNS (default 3) how many runs each figure is the median of.
set -euo pipefail

# shellcheck source=bench/bench-lib.sh
. "$(dirname "$0")/bench-lib.sh"
bench_prepare vexo-browser-bench

out=$("$tool" "$root" "$runs")
echo "$out"
value() { sed -n "s/^$1=//p" <<< "$out"; }
within() { [ "$(echo "$1 <= $2" | bc -l)" = 1 ] && echo yes || echo no; }
echo "show_page_within_16ms=$(within "$(value show_page_ms)" 16)"
