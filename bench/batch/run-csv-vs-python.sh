#!/usr/bin/env bash
# CSV import beside Python's csv module reading the same file, in one run: the 100,000-row
# import sheet and its first 30,000 rows. For each file, the best of three runs (taken in turns,
# so that both see the same load) of the time each program reports for its own work, start-up of
# the process left out:
#   python    /usr/bin/python3 reading every record of the file with the csv module
#   read      the program's CSV reader over every record
#   import    the import of 30,000 records into the real batch grid (the last 30,000 rows of
#             the file), as the import window's confirm runs it: reader, grid, column widths
# Usage: bench/batch/run-csv-vs-python.sh BUILD_DIR
set -euo pipefail
build=$1
prog=$build/bin/bench_batch_import
data=$(mktemp -d)
trap 'rm -rf "$data"' EXIT
/usr/bin/python3 "$(dirname "$0")/make-import-data.py" "$data"
head -n 60001 "$data/import.csv" > "$data/import30k.csv" # the header and 30,000 records of two lines
best() { printf '%s\n' "$@" | sort -n | head -1; }
ms() { grep -o '[0-9]* ms' | head -1 | cut -d' ' -f1; }
for f in import.csv import30k.csv; do
  rows=$(/usr/bin/python3 -c "import csv,sys; print(sum(1 for _ in csv.reader(open(sys.argv[1], encoding='gbk', newline=''))) - 1)" "$data/$f")
  first=$((rows - 29998)); last=$((rows + 1))
  p=(); r=(); i=()
  for k in 1 2 3; do
    p+=("$(/usr/bin/python3 -c "
import csv, sys, time
t = time.perf_counter()
with open(sys.argv[1], encoding='gbk', newline='') as f:
    rows = list(csv.reader(f))
print('%d ms' % round((time.perf_counter() - t) * 1000))" "$data/$f")")
    r+=("$("$prog" read "$data/$f" 2>/dev/null | ms)")
    i+=("$("$prog" import "$data/$f" "$first" "$last" 2>/dev/null | ms)")
  done
  bp=$(best "${p[@]%% ms}"); br=$(best "${r[@]}"); bi=$(best "${i[@]}")
  printf '%-14s %6d rows  python %5d ms  read %5d ms (%.2fx)  import 30,000 %5d ms (%.2fx)\n' \
    "$f" "$rows" "$bp" "$br" "$(echo "$br/$bp" | bc -l)" "$bi" "$(echo "$bi/$bp" | bc -l)"
done
