#!/usr/bin/env bash
# The file index engine side by side with the tools a user would pick
# instead, on one generated tree of 1,000,000 files in about 50,000 folders:
#   crawl      vexo-index against find -printf (the same stat per file)
#   memory     the index's own bytes per file, and the process's peak
#   query      a substring matching about 1 % of files, largest first, a
#              page of 250, against the same rows in an in-memory sqlite3
#   export     every row to CSV
# Prints key=value lines. The crawl must find exactly the manifest's files
# and bytes, or the benchmark fails.
#
# VEXO_BUILD_DIR (default build/linux) is where vexo-index is built;
# VEXO_BENCH_TREE (default build/bench-tree) where the tree is cached;
# VEXO_BENCH_FILES and VEXO_BENCH_FOLDERS make a smaller tree for a try-out.
set -euo pipefail

# shellcheck source=bench/bench-lib.sh
. "$(dirname "$0")/bench-lib.sh"
queries=${VEXO_BENCH_QUERIES:-21}
word=receipt
bench_prepare vexo-index

field() { # field NAME < json line
    python3 -c 'import json,sys; print(json.loads(sys.stdin.readline())[sys.argv[1]])' "$1"
}
pct() { sort -n | awk -v p="$1" '{a[NR]=$1} END {i=int(NR*p/100+0.999); if(i<1)i=1; print a[i]}'; }

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

# ---- Queries ----
"$tool" --text "$word" --order 0 --limit 250 --repeat "$queries" "$root" > "$work/q0.json"
"$tool" --text "$word" --order 0 --offset 100000 --limit 250 --repeat "$queries" "$root" > "$work/q1.json"
"$tool" --order 0 --offset 100000 --limit 250 --repeat "$queries" "$root" > "$work/q2.json"
page_ms() { grep '"event":"page"' "$1" | tail -n +2 | while read -r l; do echo "$l" | field ms; done; }
page_ms "$work/q0.json" > "$work/q0"
page_ms "$work/q1.json" > "$work/q1"
page_ms "$work/q2.json" > "$work/q2"
q0_total=$(grep -m1 '"event":"page"' "$work/q0.json" | field total)
echo "query_matches=$q0_total"
q_p50=$(median < "$work/q0")
echo "query_ms_p50=$(printf '%.2f' "$q_p50")"
echo "query_ms_p95=$(pct 95 < "$work/q0" | xargs printf '%.2f')"
echo "query_offset100k_ms_p50=$(median < "$work/q1" | xargs printf '%.2f')"
echo "query_offset100k_ms_p95=$(pct 95 < "$work/q1" | xargs printf '%.2f')"
echo "query_all_offset100k_ms_p50=$(median < "$work/q2" | xargs printf '%.2f')"

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
