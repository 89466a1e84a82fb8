#!/usr/bin/env bash
# The batch print beside gLabels' glabels-3-batch on the same records, in one run: wall time and
# peak memory of each whole process, at 1,000 records and (ours) at 10,000.
# Usage: bench/print/run-batch-bench.sh BUILD_DIR [PEER_FOLDER]
set -euo pipefail
build=$1
peer=${2:-$(cd "$(dirname "$0")/../../.." && pwd)/shared/bench/glabels}
ours=$build/bench/print/bench_print_batch
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
measure() { /usr/bin/time -f "%e %M" -o "$out/t" "$@" >/dev/null 2>&1; cat "$out/t"; }
read -r ours_s ours_kb < <(measure "$ours" "$peer/data.csv" "$out/ours.pdf")
read -r ours10_s ours10_kb < <(measure "$ours" "$peer/data.csv" "$out/ours10.pdf" 10)
if command -v glabels-3-batch >/dev/null; then
  read -r peer_s peer_kb < <(cd "$peer" && measure glabels-3-batch -i data.csv -o "$out/peer.pdf" cheque.glabels)
else
  peer_s=nan; peer_kb=0
fi
printf 'ours   1,000 records: %6.2f s  %6.1f MiB\n' "$ours_s" "$(echo "$ours_kb/1024" | bc -l)"
printf 'ours  10,000 records: %6.2f s  %6.1f MiB\n' "$ours10_s" "$(echo "$ours10_kb/1024" | bc -l)"
printf 'peer   1,000 records: %6.2f s  %6.1f MiB\n' "$peer_s" "$(echo "$peer_kb/1024" | bc -l)"
[ "$peer_s" != nan ] && printf 'ratio ours/peer: %.3f\n' "$(echo "$ours_s/$peer_s" | bc -l)"
pdfinfo "$out/ours.pdf" | grep -E "Pages|Page size" || true
