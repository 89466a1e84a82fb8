#!/usr/bin/env bash
# The start after an unclean close (the full check of DATA.mdb) beside the sqlite3 shell's
# PRAGMA quick_check of the same file, at 1.5 and at 5 million history rows, in paired and
# interleaved runs; and the start after a clean close beside the start of a small folder started
# once before (a fresh folder is no floor: it makes its database).
# Each start is timed in a process of its own, from Main to the loaded main window (bench_scale
# start); the shell's figure is its own timer's (real) and, in brackets, its whole process.
# The script builds bench_scale (Release, -DQUORVAN_BENCH=ON) in BUILD_DIR first. The generated
# folders are kept in DATA_FOLDER and reused by later runs.
# Usage: bench/mainwin/run-startup-bench.sh [BUILD_DIR] [DATA_FOLDER] [ROUNDS]
#        (the sqlite3 shell on PATH; JOBS sets the build's parallel jobs, 3 unless given)
set -euo pipefail
src=$(cd "$(dirname "$0")/../.." && pwd)
build=${1:-$src/build-bench-release}
data=${2:-${TMPDIR:-/tmp}/quorvan-startup}
rounds=${3:-5}
cmake -S "$src" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUORVAN_BENCH=ON > /dev/null
cmake --build "$build" -j "${JOBS:-3}" --target bench_scale > /dev/null
build=$(cd "$build" && pwd)
bin=$build/bin/bench_scale
export QT_QPA_PLATFORM=offscreen
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export XDG_CONFIG_HOME=$work/config

value() { awk -v k="$1" '$1 == k { print $2 }'; }
median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f\n", a / b }'; }
now_ms() { date +%s%N | awk '{ printf "%.1f", $1 / 1e6 }'; }

# 1.5 M rows: the cheque format with 100,000 prints of 15 fields beside 200 small formats. 5 M rows:
# the same folder with its cheque's history three times over and a third of it once more (more
# years of prints, numbered on).
if [ ! -f "$data/1.5M/DATA.mdb" ]; then
  rm -rf "$data/made"
  mkdir -p "$data"
  "$bin" make "$data/made" > /dev/null 2>> "$data/log"
  rm -rf "$data/1.5M"
  mv "$data/made/big" "$data/1.5M"
  rm -rf "$data/made"
fi
if [ ! -f "$data/5M/DATA.mdb" ]; then
  rm -rf "$data/5M" "$data/5M.new"
  mkdir -p "$data/5M.new"
  cp "$data/1.5M/DATA.mdb" "$data/5M.new/DATA.mdb"
  sqlite3 "$data/5M.new/DATA.mdb" "
    CREATE TEMP TABLE one AS SELECT Fmt, ID, CID, Con FROM 历史 WHERE Fmt = '工行转账支票';
    INSERT INTO 历史(Fmt, ID, CID, Con) SELECT Fmt, ID + 100000, CID, Con FROM one;
    INSERT INTO 历史(Fmt, ID, CID, Con) SELECT Fmt, ID + 200000, CID, Con FROM one;
    INSERT INTO 历史(Fmt, ID, CID, Con) SELECT Fmt, ID + 300000, CID, Con FROM one WHERE ID <= 33400;"
  mv "$data/5M.new" "$data/5M"
fi
if [ ! -f "$data/small/DATA.mdb" ]; then
  mkdir -p "$data/small"
  "$bin" start "$data/small" > /dev/null 2>> "$data/log"
fi

echo "machine load (1, 5, 15 min): $(cut -d' ' -f1-3 /proc/loadavg) on $(nproc) cores"
for size in 1.5M 5M; do
  db=$data/$size/DATA.mdb
  rows=$(sqlite3 "$db" "SELECT count(*) FROM 历史")
  echo "== $size: $rows history rows, $(du -m "$db" | cut -f1) MB (median of $rounds paired runs)"
  "$bin" start "$data/$size" > /dev/null 2>> "$work/log" # the file in the page cache, a clean close recorded
  for f in ours shell shellproc ratio clean small checks cleanchecks log; do : > "$work/$f"; done
  for ((i = 0; i < rounds; i++)); do
    # After an unclean close: no record of a clean close, as a kill leaves it.
    rm -f "$data/$size/.DATA.mdb.closed"
    "$bin" start "$data/$size" > "$work/out" 2>> "$work/log"
    ours=$(value start.ours < "$work/out")
    value start.full_checks < "$work/out" >> "$work/checks"
    t0=$(now_ms)
    shell=$(printf '.timer on\nPRAGMA quick_check;\n' | sqlite3 "$db" | awk '/Run Time/ { print $4 * 1000 }')
    t1=$(now_ms)
    echo "$ours" >> "$work/ours"
    echo "$shell" >> "$work/shell"
    awk -v a="$t0" -v b="$t1" 'BEGIN { print b - a }' >> "$work/shellproc"
    ratio "$ours" "$shell" >> "$work/ratio"
    # After a clean close (the one the start above recorded), beside a small folder started
    # before.
    "$bin" start "$data/$size" > "$work/out" 2>> "$work/log"
    value start.ours < "$work/out" >> "$work/clean"
    value start.full_checks < "$work/out" >> "$work/cleanchecks"
    "$bin" start "$data/small" 2>> "$work/log" | value start.ours >> "$work/small"
  done
  o=$(median < "$work/ours"); s=$(median < "$work/shell"); sp=$(median < "$work/shellproc")
  echo "  unclean close: start $o ms (full checks: $(paste -sd' ' "$work/checks"));" \
    "sqlite3 quick_check $s ms ($sp ms with its process)"
  echo "    ratio per pair: $(paste -sd' ' "$work/ratio"); median $(median < "$work/ratio") x"
  echo "    of which the check itself: $(awk '/full database check of/ { print $(NF - 2) }' "$work/log" |
    median) ms"
  c=$(median < "$work/clean"); m=$(median < "$work/small")
  echo "  clean close: start $c ms (full checks: $(paste -sd' ' "$work/cleanchecks")) beside" \
    "$m ms for a small folder started before ($(ratio "$c" "$m") x)"
done
echo "machine load after (1, 5, 15 min): $(cut -d' ' -f1-3 /proc/loadavg)"
