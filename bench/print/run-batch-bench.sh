#!/usr/bin/env bash
# The batch print in one run, on the same records: the print-all command of the main window
# (each record through the page, printed to PDF, the history recorded), the bare renderer (the
# same slips straight into one PDF) and gLabels' glabels-3-batch. Wall time and peak memory of
# each whole process, median of three runs, at 1,000 and at 20,000 records (memory flat when the
# history is put aside as the pages go); the command alone beside the document alone; each
# record's own wall time; and each record's instructions under callgrind (every thread), which
# the load of a shared machine does not disturb. A run that fails (records missing from the
# history) shows as an error.
# Usage: bench/print/run-batch-bench.sh BUILD_DIR [PEER_FOLDER] [CALLGRIND_RECORDS]
#   BUILD_DIR: a Release build with -DQUORVAN_BENCH=ON.
set -euo pipefail
build=$1
peer=${2:-$(cd "$(dirname "$0")/../../.." && pwd)/shared/bench/glabels}
cg_records=${3:-300}
allpath=$build/bin/bench_print_allpath
bare=$build/bin/bench_print_batch
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT

if ! command -v glabels-3-batch >/dev/null; then
  if [ "$(id -u)" = 0 ]; then
    DEBIAN_FRONTEND=noninteractive apt-get install -y glabels >/dev/null 2>&1 || true
  fi
fi

# One run: "seconds peak-KiB" of the whole process.
measure() {
  if /usr/bin/time -f "%e %M" -o "$out/t" "$@" >"$out/stdout" 2>"$out/stderr"; then
    tail -1 "$out/t"
  else
    echo "failed: $*" >&2; cat "$out/stderr" >&2; echo "nan 0"
  fi
}
# Three runs: the median time and its peak memory.
median3() {
  for _ in 1 2 3; do measure "$@"; done | sort -n | sed -n 2p
}
ratio() { echo "$1/$2" | bc -l; }
mib() { echo "$1/1024" | bc -l; }

# The program as installed: its folder (database with the benchmark's format) made by a first,
# untimed run; the timed runs add their prints to its history.
export QUORVAN_HOME=$out/home XDG_CONFIG_HOME=$out/config
"$allpath" "$peer/data.csv" "$out/allpath.pdf" >/dev/null 2>&1
read -r all_s all_kb < <(median3 "$allpath" "$peer/data.csv" "$out/allpath.pdf")
read -r bare_s bare_kb < <(median3 "$bare" "$peer/data.csv" "$out/bare.pdf")
# The print-all command alone beside the bare renderer's document alone (the times each process
# prints): what the command adds to the pages, without the window's start-up and the exit. Taken
# before the 20,000-record run, on the history the 1,000-record runs saw.
inner() {
  for _ in 1 2 3; do "$@" 2>/dev/null | sed -n 's/.* in \([0-9.]*\) s.*/\1/p' | tail -1; done |
    sort -n | sed -n 2p
}
all_in=$(inner "$allpath" "$peer/data.csv" "$out/allpath.pdf")
# What the print-all process spends before its first record: the main window built and shown
# with the format open (the bare renderer has no window).
ready=$(for _ in 1 2 3; do "$allpath" "$peer/data.csv" "$out/allpath.pdf" 2>/dev/null |
  sed -n 's/^ready after \([0-9.]*\) s.*/\1/p'; done | sort -n | sed -n 2p)
bare_in=$(inner "$bare" "$peer/data.csv" "$out/bare.pdf")
read -r all20_s all20_kb < <(median3 "$allpath" "$peer/data.csv" "$out/allpath20.pdf" 20)
read -r bare20_s bare20_kb < <(median3 "$bare" "$peer/data.csv" "$out/bare20.pdf" 20)
if command -v glabels-3-batch >/dev/null; then
  read -r peer_s peer_kb < <(cd "$peer" && median3 glabels-3-batch -i data.csv -o "$out/peer.pdf" \
    cheque.glabels)
else
  peer_s=nan; peer_kb=0
fi

printf 'print-all command  1,000 records: %6.2f s  %6.1f MiB\n' "$all_s" "$(mib "$all_kb")"
printf 'bare renderer      1,000 records: %6.2f s  %6.1f MiB\n' "$bare_s" "$(mib "$bare_kb")"
printf 'glabels-3-batch    1,000 records: %6.2f s  %6.1f MiB\n' "$peer_s" "$(mib "$peer_kb")"
printf 'print-all command 20,000 records: %6.2f s  %6.1f MiB\n' "$all20_s" "$(mib "$all20_kb")"
printf 'bare renderer     20,000 records: %6.2f s  %6.1f MiB\n' "$bare20_s" "$(mib "$bare20_kb")"
printf 'print-all / bare renderer (wall time): %.2f (target at most 1.3)\n' \
  "$(ratio "$all_s" "$bare_s")"
printf 'print-all command alone / bare document alone, 1,000 records: %.3f s / %.3f s = %.2f\n' \
  "$all_in" "$bare_in" "$(ratio "$all_in" "$bare_in")"
printf 'print-all start-up to the loaded window before the command: %.3f s\n' "$ready"
# Each record's own wall time: what 19,000 more records add to the whole process.
printf 'each record (1,000 to 20,000 records, whole process): print-all %.1f us, bare %.1f us, ratio %.2f\n' \
  "$(echo "($all20_s - $all_s) * 1000000 / 19000" | bc -l)" \
  "$(echo "($bare20_s - $bare_s) * 1000000 / 19000" | bc -l)" \
  "$(ratio "($all20_s - $all_s)" "($bare20_s - $bare_s)")"
printf 'print-all memory, 20,000 records less 1,000: %.1f MiB (target at most 10)\n' \
  "$(mib "$((all20_kb - all_kb))")"
if [ "$peer_s" != nan ]; then
  printf 'print-all / glabels-3-batch: %.3f (target at most 0.1)\n' "$(ratio "$all_s" "$peer_s")"
fi
pdfinfo "$out/allpath.pdf" | grep -E "Pages|Page size" || true

if command -v valgrind >/dev/null; then
  # Each record's own instructions: the difference between CALLGRIND_RECORDS and twice as many,
  # so that what the first page costs once (fonts, caches) is not spread over the records.
  head -n $((cg_records + 1)) "$peer/data.csv" >"$out/cg.csv"
  head -n $((2 * cg_records + 1)) "$peer/data.csv" >"$out/cg2.csv"
  cg() {
    valgrind --tool=callgrind --callgrind-out-file="$out/cg.out" "$@" \
      >/dev/null 2>"$out/cg.log"
    grep -h '^totals:' "$out/cg.out" | awk '{print $2}'
  }
  # Under callgrind every page takes longer than the progress window's 40 ms between redraws, so
  # it is redrawn after each page, where a real run redraws it a few times in all: its share.
  progress() {
    callgrind_annotate --inclusive=yes "$out/cg.out" 2>/dev/null |
      awk '/store::DrawProgress/ && !n++ { gsub(",", "", $1); print $1 }'
  }
  all1=$(cg "$allpath" "$out/cg.csv" "$out/cg-allpath.pdf")
  prog1=$(progress)
  all2=$(cg "$allpath" "$out/cg2.csv" "$out/cg-allpath.pdf")
  prog2=$(progress)
  bare1=$(cg "$bare" "$out/cg.csv" "$out/cg-bare.pdf")
  bare2=$(cg "$bare" "$out/cg2.csv" "$out/cg-bare.pdf")
  cg_all=$(( (all2 - all1) / cg_records ))
  cg_bare=$(( (bare2 - bare1) / cg_records ))
  cg_prog=$(( (${prog2:-0} - ${prog1:-0}) / cg_records ))
  printf 'instructions of each record (%d to %d records): print-all %d, bare renderer %d, ratio %.2f\n' \
    "$cg_records" "$((2 * cg_records))" "$cg_all" "$cg_bare" "$(ratio "$cg_all" "$cg_bare")"
  printf '  of which the progress window redrawn after every page under callgrind: %d; without: ratio %.2f\n' \
    "$cg_prog" "$(ratio "$((cg_all - cg_prog))" "$cg_bare")"
fi
