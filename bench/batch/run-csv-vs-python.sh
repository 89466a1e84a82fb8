#!/usr/bin/env bash
# CSV import beside Python's csv module reading the same file, in one run: the 100,000-row
# import sheet and its first 30,000 rows. For each file, whole-process wall times (best of three,
# taken in turns so that both see the same load) of
#   python    /usr/bin/python3 reading every record with the csv module
#   read      the program's CSV reader over every record
#   import    the import of 30,000 records into the real batch grid (the last 30,000 rows of
#             the file), as the import window's confirm runs it
# Usage: bench/batch/run-csv-vs-python.sh BUILD_DIR
set -euo pipefail
build=$1
prog=$build/bench/batch/bench_batch_import
data=$(mktemp -d)
trap 'rm -rf "$data"' EXIT
/usr/bin/python3 "$(dirname "$0")/make-import-data.py" "$data"
head -n 60001 "$data/import.csv" > "$data/import30k.csv" # 30,000 records (two lines each) and the header
wall() { /usr/bin/time -f "%e" -o "$data/t" "$@" > /dev/null; cat "$data/t"; }
best() { printf '%s\n' "$@" | sort -n | head -1; }
for f in import.csv import30k.csv; do
  rows=$(/usr/bin/python3 -c "import csv,sys; print(sum(1 for _ in csv.reader(open(sys.argv[1], encoding='gbk', newline=''))) - 1)" "$data/$f")
  first=$((rows - 29998)); last=$((rows + 1))
  p=(); r=(); i=()
  for k in 1 2 3; do
    p+=("$(wall /usr/bin/python3 -c "import csv,sys; list(csv.reader(open(sys.argv[1], encoding='gbk', newline='')))" "$data/$f")")
    r+=("$(wall "$prog" read "$data/$f")")
    i+=("$(wall "$prog" import "$data/$f" "$first" "$last")")
  done
  bp=$(best "${p[@]}"); br=$(best "${r[@]}"); bi=$(best "${i[@]}")
  printf '%-14s %6d rows  python %5.2f s  read %5.2f s (%.2fx)  import 30,000 %5.2f s (%.2fx)\n' \
    "$f" "$rows" "$bp" "$br" "$(echo "$br/$bp" | bc -l)" "$bi" "$(echo "$bi/$bp" | bc -l)"
done
