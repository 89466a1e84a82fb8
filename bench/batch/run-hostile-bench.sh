#!/usr/bin/env bash
# The hostile workbook benchmark: makes the workbooks (not timed), then times one import of
# each through the batch reader into the real main window's batch grid: wall time and peak
# memory of the whole process, and the message it gave.
# Usage: bench/batch/run-hostile-bench.sh BUILD_DIR
set -euo pipefail
build=$1
prog=$build/bin/bench_batch_import
data=$(mktemp -d)
trap 'rm -rf "$data"' EXIT
/usr/bin/python3 "$(dirname "$0")/make-hostile-xlsx.py" "$data"
for f in gigabyte text tag amp; do
  /usr/bin/time -f "%e %M" -o "$data/t" "$prog" import "$data/$f.xlsx" 1 10 > "$data/out"
  read -r s kb < "$data/t"
  printf '%-14s %5s KB packed  %6.2f s  %6.1f MiB   %s\n' "$f.xlsx" \
    "$(( $(stat -c %s "$data/$f.xlsx") / 1024 ))" "$s" "$(echo "$kb/1024" | bc -l)" \
    "$(grep message "$data/out" | head -1)"
done
