#!/usr/bin/env bash
# The bare renderer beside its floor, a QPdfWriter drawing the same texts and bars, on the batch
# benchmark's records. Wall time: median of five rounds of 1,000 records each, the two sides
# alternating in one process. Instructions (callgrind, deaf to the load of a shared machine): one
# round of RECORDS records of each side after a round to warm up, in one process.
# Usage: bench/print/run-render-floor.sh BUILD_DIR [PEER_FOLDER] [RECORDS]
#   BUILD_DIR: a Release build with -DQUORVAN_BENCH=ON.
set -euo pipefail
build=$1
peer=${2:-$(cd "$(dirname "$0")/../../.." && pwd)/shared/bench/glabels}
records=${3:-200}
bench=$build/bin/bench_print_floor
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT

echo "load: $(cut -d' ' -f1-3 /proc/loadavg) on $(nproc) cores"
"$bench" "$peer/data.csv" "$out" 5

if command -v valgrind >/dev/null; then
  valgrind --tool=callgrind --collect-atstart=no --callgrind-out-file="$out/cg.%p" \
    "$bench" "$peer/data.csv" "$out" 1 "$records" >/dev/null 2>"$out/valgrind.log"
  # Each dump names its side in its "desc: Trigger" line and holds its total in "totals:".
  instr() { grep -l "Trigger: Client Request: $1\$" "$out"/cg.* | xargs grep -h '^totals:' |
    awk '{print $2}'; }
  r=$(instr renderer)
  f=$(instr floor)
  printf 'instructions per record (%d records): renderer %.0f, floor %.0f, ratio %.2f\n' \
    "$records" "$(echo "$r/$records" | bc -l)" "$(echo "$f/$records" | bc -l)" \
    "$(echo "$r/$f" | bc -l)"
else
  echo "valgrind is not installed: no instruction counts"
fi
