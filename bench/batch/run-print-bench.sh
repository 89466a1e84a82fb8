#!/usr/bin/env bash
# The batch print through the whole path (main window, sheet import, print-all to PDF) beside
# gLabels' glabels-3-batch on the same 1,000 records, in one run: wall time and peak memory of
# each whole process, and the ratio.
# Usage: bench/batch/run-print-bench.sh BUILD_DIR [PEER_FOLDER]
set -euo pipefail
build=$1
peer=${2:-$(cd "$(dirname "$0")/../../.." && pwd)/shared/bench/glabels}
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
# The peer's data is UTF-8 without a byte-order mark; the import reads such a file as GBK.
iconv -f UTF-8 -t GB18030 "$peer/data.csv" > "$out/data.csv"
measure() { /usr/bin/time -f "%e %M" -o "$out/t" "$@" > "$out/log" 2>/dev/null; cat "$out/t"; }
read -r ours_s ours_kb < <(measure "$build/bin/bench_batch_print" "$out/data.csv" "$out/ours.pdf")
head -3 "$out/log"
read -r peer_s peer_kb < <(cd "$peer" && measure glabels-3-batch -i data.csv -o "$out/peer.pdf" cheque.glabels)
printf 'ours  1,000 records: %6.2f s  %6.1f MiB\n' "$ours_s" "$(echo "$ours_kb/1024" | bc -l)"
printf 'peer  1,000 records: %6.2f s  %6.1f MiB\n' "$peer_s" "$(echo "$peer_kb/1024" | bc -l)"
printf 'ratio ours/peer: %.3f\n' "$(echo "$ours_s/$peer_s" | bc -l)"
pdfinfo "$out/ours.pdf" | grep -E "Pages|Page size" || true
