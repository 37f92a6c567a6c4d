#!/usr/bin/env bash
# Folder analysis side by side with the tools a user would pick instead, on
# the index benchmark's tree (1,000,000 files in about 50,000 folders):
#   scan   vexo-analysis, the scanner on its own thread through the emulated
#          machine's listings (logical sizes, links not followed)
#   du     du -sbl on each top-level entry, one after the other (apparent
#          sizes, hard links counted every time, as the scanner counts them)
#   gdu    gdu over the whole tree, in parallel, apparent sizes
# Prints key=value lines; each time is the median of VEXO_BENCH_RUNS runs,
# taken in turn after one warming pass each. du and gdu also count the
# entries of folders and links themselves, which hold no file content: those
# are taken off before the totals are compared. All three must agree
# with the tree's manifest, or the benchmark fails.
#
# Then, for the record, the Windows build's vexo-analysis under Wine (real
# FindFirstFileExW listings) on a smaller tree mapped as a drive, beside du on
# the same tree: wine_scan_s, wine_du_s and their ratio. Skipped, with a line
# saying so, when the Windows build or Wine is missing.
#
# VEXO_BUILD_DIR (default build/linux) is where vexo-analysis is built;
# VEXO_BENCH_TREE (default build/bench-tree) where the tree is cached;
# VEXO_BENCH_FILES and VEXO_BENCH_FOLDERS make a smaller tree for a try-out;
# VEXO_WINE_BUILD_DIR (default build/windows), VEXO_BENCH_WINE_TREE (default
# build/bench-tree-wine) and VEXO_BENCH_WINE_FILES (default 100000, in a
# twentieth as many folders) are the Wine part's.
set -euo pipefail

# shellcheck source=bench/bench-lib.sh
. "$(dirname "$0")/bench-lib.sh"
bench_prepare vexo-analysis

value() { sed -n "s/^$1=//p" "$2"; }
seconds_of() { # seconds_of COMMAND...: runs it, prints the wall time
    local start end
    start=$(date +%s.%N)
    "$@" > "$work/out"
    end=$(date +%s.%N)
    echo "$end - $start" | bc -l
}
du_each_of() { du -sbl "$1"/* "$1"/.[!.]* 2>/dev/null || true; }
gdu_all() { gdu --non-interactive --no-progress --summarize --show-apparent-size --no-prefix "$root"; }

# What du and gdu count that is no file content: the entries of folders and
# links. du takes each folder entry's own size; gdu counts every folder, the
# root included, as 4096 bytes whatever its size.
sum() { awk '{s+=$1} END {printf "%.0f\n", s}'; }
folder_bytes=$(find "$root" -mindepth 1 -type d -printf '%s\n' | sum)
folders=$(find "$root" -type d | wc -l)
link_bytes=$(find "$root" -type l -printf '%s\n' | sum)

du_each_of "$root" >/dev/null
gdu_all >/dev/null
"$tool" "$root" > /dev/null
: > "$work/scan"; : > "$work/du"; : > "$work/gdu"
for _ in $(seq "$runs"); do
    "$tool" "$root" > "$work/scan.out"
    value ms "$work/scan.out" | awk '{print $1/1000}' >> "$work/scan"
    seconds_of du_each_of "$root" >> "$work/du"
    du_bytes=$(sum < "$work/out")
    seconds_of gdu_all >> "$work/gdu"
    gdu_bytes=$(awk 'NR==1 {print $1}' "$work/out")
done

scan_files=$(value files "$work/scan.out")
scan_bytes=$(value bytes "$work/scan.out")
scan_error=$(value error "$work/scan.out")
du_content=$((du_bytes - folder_bytes - link_bytes))
gdu_content=$((gdu_bytes - 4096 * folders - link_bytes))
if [ -n "$scan_error" ] || [ "$scan_files" != "$manifest_files" ] ||
   [ "$scan_bytes" != "$manifest_bytes" ] || [ "$du_content" != "$manifest_bytes" ] ||
   [ "$gdu_content" != "$manifest_bytes" ]; then
    echo "totals disagree: manifest $manifest_files files, $manifest_bytes bytes;" \
         "scan $scan_files files, $scan_bytes bytes (error '$scan_error');" \
         "du $du_content bytes; gdu $gdu_content bytes" >&2
    exit 1
fi
scan_s=$(median < "$work/scan")
du_s=$(median < "$work/du")
gdu_s=$(median < "$work/gdu")
echo "files=$scan_files"
echo "bytes=$scan_bytes"
echo "rows=$(value rows "$work/scan.out")"
echo "scan_s=$(printf '%.3f' "$scan_s")"
echo "du_s=$(printf '%.3f' "$du_s")"
echo "gdu_s=$(printf '%.3f' "$gdu_s")"
echo "ratio_scan_vs_du=$(echo "$scan_s / $du_s" | bc -l | xargs printf '%.2f')"
echo "ratio_scan_vs_gdu=$(echo "$scan_s / $gdu_s" | bc -l | xargs printf '%.2f')"

# ---- the Windows build under Wine, for the record -------------------------------
if ! bench_wine vexo-analysis ui/space/tool/vexo-analysis.exe; then
    echo "wine_scan_s=skipped (no Windows build of vexo-analysis, or no Wine)"
    exit 0
fi
wine "$wine_tool" 'N:\' > "$work/wine.out" 2>/dev/null || true
du_each_of "$wine_root" >/dev/null
: > "$work/wine"; : > "$work/wine_du"
for _ in $(seq "$runs"); do
    wine "$wine_tool" 'N:\' > "$work/wine.out" 2>/dev/null || true
    tr -d '\r' < "$work/wine.out" > "$work/wine.txt"
    value ms "$work/wine.txt" | awk '{print $1/1000}' >> "$work/wine"
    seconds_of du_each_of "$wine_root" >> "$work/wine_du"
done
if [ "$(value files "$work/wine.txt")" != "$wine_manifest_files" ] ||
   [ "$(value bytes "$work/wine.txt")" != "$wine_manifest_bytes" ]; then
    echo "Wine totals disagree: manifest $wine_manifest_files files, $wine_manifest_bytes bytes;" \
         "scan $(value files "$work/wine.txt") files, $(value bytes "$work/wine.txt") bytes" \
         "(error '$(value error "$work/wine.txt")')" >&2
    exit 1
fi
wine_scan_s=$(median < "$work/wine")
wine_du_s=$(median < "$work/wine_du")
echo "wine_files=$wine_manifest_files"
echo "wine_scan_s=$(printf '%.3f' "$wine_scan_s")"
echo "wine_du_s=$(printf '%.3f' "$wine_du_s")"
echo "wine_ratio_scan_vs_du=$(echo "$wine_scan_s / $wine_du_s" | bc -l | xargs printf '%.2f')"
