#!/usr/bin/env bash
# The sheet import benchmark: makes the 100,000-row CSV and .xlsx (not timed), then times one
# import of 30,000 records (rows 70,001 to 100,000) into the real batch grid, and the readers
# alone over all rows: wall time and peak memory of each whole process.
# Usage: bench/batch/run-import-bench.sh BUILD_DIR
set -euo pipefail
build=$1
prog=$build/bin/bench_batch_import
data=$(mktemp -d)
trap 'rm -rf "$data"' EXIT
/usr/bin/python3 "$(dirname "$0")/make-import-data.py" "$data"
for f in import.csv import.xlsx; do
  for mode in import read; do
    /usr/bin/time -f "%e %M" -o "$data/t" "$prog" "$mode" "$data/$f" > "$data/out"
    read -r s kb < "$data/t"
    printf '%-12s %-6s %6.2f s  %6.1f MiB   %s\n' "$f" "$mode" "$s" "$(echo "$kb/1024" | bc -l)" \
      "$(head -1 "$data/out")"
  done
done
