#!/usr/bin/env bash
# The history at a bank's scale, each step beside its floor in one run, with the ratio:
#   "显示全部" of 50,000 prints x 30 fields    beside its query stepped through SQLite alone
#   the history tab, newest 300 of 100,000     beside its two queries stepped through SQLite
#   start-up to the loaded main window on the 1.5-million-row DATA.mdb, warm and with the file
#     evicted from the page cache (vmtouch -e), beside a start on a fresh program folder
#   compaction of that file                    beside one VACUUM INTO + fsync
#   statistics over 1,000,000 rows             beside the same statements in the sqlite3 shell
# The generated folders are kept in DATA_FOLDER and reused by later runs.
# Usage: bench/mainwin/run-scale-bench.sh BUILD_DIR [DATA_FOLDER]   (built with -DQUORVAN_BENCH=ON)
set -euo pipefail
build=$(cd "$1" && pwd)
data=${2:-${TMPDIR:-/tmp}/quorvan-scale}
bin=$build/bin/bench_scale
export QT_QPA_PLATFORM=offscreen
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export XDG_CONFIG_HOME=$work/config

if [ ! -f "$data/big/DATA.mdb" ] || [ ! -f "$data/wide/DATA.mdb" ]; then
  "$bin" make "$data"
fi
value() { awk -v k="$1" '$1 == k { print $2 }'; }
median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }
echo "machine load (1, 5, 15 min): $(cut -d' ' -f1-3 /proc/loadavg) on $(nproc) cores"

echo "== 显示全部: 50,000 prints x 30 fields"
"$bin" showall "$data/wide" | sed 's/^/  /'

echo "== history tab: newest 300 of 100,000 prints, reloaded (median of 15 paired runs)"
"$bin" reload "$data/big" | sed 's/^/  /'

echo "== start-up to the loaded main window (median of 5 paired runs)"
# The first start after the file was made checks it in full and records the clean close.
"$bin" start "$data/big" | sed 's/^/  first start: /'
: > "$work/fresh"; : > "$work/warm"; : > "$work/cold"; : > "$work/checks"
for _ in 1 2 3 4 5; do
  fresh=$(mktemp -d)
  "$bin" start "$fresh" | value start.ours >> "$work/fresh"
  rm -rf "$fresh"
  "$bin" start "$data/big" > "$work/out"
  value start.ours < "$work/out" >> "$work/warm"
  value start.full_checks < "$work/out" >> "$work/checks"
  # Evicted from the page cache where the machine allows it (vmtouch needs the file readable).
  if command -v vmtouch > /dev/null; then
    vmtouch -q -e "$data/big/DATA.mdb"
  fi
  "$bin" start "$data/big" | value start.ours >> "$work/cold"
done
f=$(median < "$work/fresh"); w=$(median < "$work/warm"); c=$(median < "$work/cold")
echo "  fresh folder $f ms; 1.5 M rows warm $w ms ($(ratio "$w" "$f") x), evicted $c ms ($(ratio "$c" "$f") x)"
echo "  full checks in the warm starts: $(paste -sd' ' "$work/checks")"

echo "== compaction of the 1.5-million-row file (median of 3 paired runs, on a copy)"
mkdir -p "$work/compact"
cp "$data/big/DATA.mdb" "$work/compact/DATA.mdb"
"$bin" compact "$work/compact" | sed 's/^/  /'
rm -rf "$work/compact"

echo "== statistics over 1,000,000 rows"
"$build/bin/bench_batch_stats" | sed 's/^/  /'
