#!/usr/bin/env bash
# The file index engine side by side with the tools a user would pick
# instead, on one generated tree of 1,000,000 files in about 50,000 folders:
#   crawl      vexo-index against find -printf (the same stat per file)
#   memory     the index's own bytes per file, and the process's peak
#   query      a substring matching about 1 % of files, largest first, a
#              page of 250, against the same rows in an in-memory sqlite3;
#              then every sort order, with that filter and with none, at
#              offsets 0 and 100,000 (query_order<N>_<text|all>_offset<0|100k>)
#              and the slowest of them (query_shapes_max_ms_p50)
#   export     every row to CSV
# Prints key=value lines. The crawl must find exactly the manifest's files
# and bytes, or the benchmark fails. Query times are medians of the runs
# after the first; *_cpu_ms_p50 is the processor time of the same queries
# (on a busy machine the wall time is mostly waiting for a core).
#
# Then, for the record, the Windows build's vexo-index under Wine (real
# FindFirstFileExW listings) on a smaller tree mapped as a drive, beside
# `wine cmd /c dir /s /b /a` over the same drive: whole processes timed, and
# the crawl's own time. Skipped, with a line saying so, when the Windows
# build or Wine is missing.
#
# VEXO_BUILD_DIR (default build/linux) is where vexo-index is built;
# VEXO_BENCH_TREE (default build/bench-tree) where the tree is cached;
# VEXO_BENCH_FILES and VEXO_BENCH_FOLDERS make a smaller tree for a try-out;
# VEXO_WINE_BUILD_DIR (default build/windows), VEXO_BENCH_WINE_TREE (default
# build/bench-tree-wine) and VEXO_BENCH_WINE_FILES (default 100000, in a
# twentieth as many folders) are the Wine part's.
set -euo pipefail

# shellcheck source=bench/bench-lib.sh
. "$(dirname "$0")/bench-lib.sh"
queries=${VEXO_BENCH_QUERIES:-21}
word=receipt
bench_prepare vexo-index

field() { # field NAME < json line
    python3 -c 'import json,sys; print(json.loads(sys.stdin.readline())[sys.argv[1]])' "$1"
}

# ---- Crawl against find, alternating, after one warming pass each ----
find "$root" -printf '%s %T@ %p\n' >/dev/null
"$tool" --no-query "$root" >/dev/null
: > "$work/find"; : > "$work/crawl"
for _ in $(seq "$runs"); do
    start=$(date +%s.%N)
    find "$root" -printf '%s %T@ %p\n' >/dev/null
    end=$(date +%s.%N)
    echo "$end - $start" | bc -l >> "$work/find"
    "$tool" --no-query "$root" > "$work/crawl.json"
    grep '"event":"crawl"' "$work/crawl.json" | field ms | awk '{print $1/1000}' >> "$work/crawl"
done
crawl_line=$(grep '"event":"crawl"' "$work/crawl.json")
memory_line=$(grep '"event":"memory"' "$work/crawl.json")
count=$(echo "$crawl_line" | field count)
bytes=$(echo "$crawl_line" | field bytes)
if [ "$count" != "$manifest_files" ] || [ "$bytes" != "$manifest_bytes" ]; then
    echo "crawl found $count files, $bytes bytes; the manifest has $manifest_files, $manifest_bytes" >&2
    exit 1
fi
find_s=$(median < "$work/find")
crawl_s=$(median < "$work/crawl")
echo "files=$count"
echo "crawl_s=$(printf '%.3f' "$crawl_s")"
echo "find_s=$(printf '%.3f' "$find_s")"
echo "ratio_crawl_vs_find=$(echo "$crawl_s / $find_s" | bc -l | xargs printf '%.2f')"
index_bytes=$(echo "$memory_line" | field index_bytes)
echo "index_bytes=$index_bytes"
echo "bytes_per_file=$(echo "$index_bytes / $count" | bc -l | xargs printf '%.1f')"
echo "peak_rss_bytes=$(echo "$memory_line" | field peak_resident_bytes)"

# ---- Queries: every order, filtered and not, at offsets 0 and 100,000 ----
"$tool" --text "$word" --orders 0,1,2,3,4 --offsets 0,100000 --also-unfiltered --limit 250 \
    --repeat "$queries" "$root" > "$work/queries.json"
python3 - "$work/queries.json" > "$work/queries.txt" <<'PY'
import json, sys
runs = {}
for line in open(sys.argv[1]):
    page = json.loads(line)
    if page["event"] != "page":
        continue
    if page["error"]:
        sys.exit("query failed: " + page["error"])
    key = (page["text"], page["order"], page["offset"])
    runs.setdefault(key, []).append((page["ms"], page["cpu_ms"], page["total"]))
def pct(values, p):
    values = sorted(values)
    return values[max(0, min(len(values) - 1, -(-len(values) * p // 100) - 1))]
figures = {}
for (text, order, offset), values in runs.items():
    timed = values[1:] or values  # the first run warms up
    figures[(text, order, offset)] = (pct([v[0] for v in timed], 50),
                                      pct([v[0] for v in timed], 95),
                                      pct([v[1] for v in timed], 50), values[0][2])
word = next(t for t, _, _ in figures if t)
print(f"query_matches={figures[(word, 0, 0)][3]}")
print(f"query_ms_p50={figures[(word, 0, 0)][0]:.2f}")
print(f"query_ms_p95={figures[(word, 0, 0)][1]:.2f}")
print(f"query_offset100k_ms_p50={figures[(word, 0, 100000)][0]:.2f}")
print(f"query_offset100k_ms_p95={figures[(word, 0, 100000)][1]:.2f}")
print(f"query_all_offset100k_ms_p50={figures[('', 0, 100000)][0]:.2f}")
for text, kind in ((word, "text"), ("", "all")):
    for order in range(5):
        for offset, label in ((0, "0"), (100000, "100k")):
            wall, _, cpu, _ = figures[(text, order, offset)]
            name = f"query_order{order}_{kind}_offset{label}"
            print(f"{name}_ms_p50={wall:.2f}")
            print(f"{name}_cpu_ms_p50={cpu:.2f}")
print(f"query_shapes_max_ms_p50={max(f[0] for f in figures.values()):.2f}")
PY
cat "$work/queries.txt"
q_p50=$(sed -n 's/^query_ms_p50=//p' "$work/queries.txt")

# ---- The same rows in sqlite3 ----
{
    echo ".mode csv"
    echo "CREATE TABLE files(path TEXT, bytes INTEGER, modified INTEGER);"
    echo ".import --skip 1 $tree/manifest.csv files"
    echo ".timer on"
    for _ in $(seq "$queries"); do
        echo "SELECT count(*), sum(bytes) FROM files WHERE path LIKE '%$word%';"
        echo "SELECT path, bytes FROM files WHERE path LIKE '%$word%' ORDER BY bytes DESC, path LIMIT 250;"
    done
} > "$work/sqlite.sql"
sqlite3 :memory: < "$work/sqlite.sql" 2>&1 | grep '^Run Time' | awk '{print $4 * 1000}' \
    | paste - - | awk '{print $1 + $2}' | tail -n +2 > "$work/sqlite"
sqlite_p50=$(median < "$work/sqlite")
echo "sqlite_ms_p50=$(printf '%.2f' "$sqlite_p50")"
echo "ratio_query_vs_sqlite=$(echo "$q_p50 / $sqlite_p50" | bc -l | xargs printf '%.3f')"

# ---- Export of every row ----
"$tool" --no-query --export "$work/all.csv" "$root" > "$work/export.json"
message=$(grep '"event":"export"' "$work/export.json" | field message)
case "$message" in
    OK:*) ;;
    *) echo "export failed: $message" >&2; exit 1 ;;
esac
echo "export_rows=$(($(wc -l < "$work/all.csv") - 1))"
echo "export_s=$(grep '"event":"export"' "$work/export.json" | field ms | awk '{printf "%.3f", $1/1000}')"

# ---- The Windows build under Wine, for the record ----
if ! bench_wine vexo-index ui/index/tool/vexo-index.exe; then
    echo "wine_crawl_s=skipped (no Windows build of vexo-index, or no Wine)"
    exit 0
fi
seconds_of() { # seconds_of COMMAND... : the wall time of one run
    local start end
    start=$(date +%s.%N)
    "$@" > "$work/wine.out" 2>/dev/null || true
    end=$(date +%s.%N)
    echo "$end - $start" | bc -l
}
# One warming pass each, then the two in turn.
wine "$wine_tool" --no-query 'N:\' >/dev/null 2>&1 || true
wine cmd /c dir /s /b /a 'N:\' >/dev/null 2>&1 || true
: > "$work/wine_index"; : > "$work/wine_crawl"; : > "$work/wine_dir"
for _ in $(seq "$runs"); do
    seconds_of wine "$wine_tool" --no-query 'N:\' >> "$work/wine_index"
    tr -d '\r' < "$work/wine.out" | grep '"event":"crawl"' > "$work/wine_crawl.json"
    field ms < "$work/wine_crawl.json" | awk '{print $1/1000}' >> "$work/wine_crawl"
    seconds_of wine cmd /c dir /s /b /a 'N:\' >> "$work/wine_dir"
    dir_lines=$(wc -l < "$work/wine.out")
done
wine_count=$(field count < "$work/wine_crawl.json")
wine_bytes=$(field bytes < "$work/wine_crawl.json")
if [ "$wine_count" != "$wine_manifest_files" ] || [ "$wine_bytes" != "$wine_manifest_bytes" ]; then
    echo "Wine crawl found $wine_count files, $wine_bytes bytes; the manifest has" \
         "$wine_manifest_files, $wine_manifest_bytes" >&2
    exit 1
fi
wine_index_s=$(median < "$work/wine_index")
wine_dir_s=$(median < "$work/wine_dir")
echo "wine_files=$wine_manifest_files"
echo "wine_dir_lines=$dir_lines"
echo "wine_crawl_s=$(median < "$work/wine_crawl" | xargs printf '%.3f')"
echo "wine_index_process_s=$(printf '%.3f' "$wine_index_s")"
echo "wine_dir_process_s=$(printf '%.3f' "$wine_dir_s")"
echo "wine_ratio_index_vs_dir=$(echo "$wine_index_s / $wine_dir_s" | bc -l | xargs printf '%.2f')"
