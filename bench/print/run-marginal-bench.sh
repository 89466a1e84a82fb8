#!/usr/bin/env bash
# Print-all beside the bare renderer, record for record: the print-all command of the main window
# (bench_print_allpath: each record filled into the record print-all carries, printed to PDF, the
# history recorded) and the bare renderer (bench_print_batch: the same slips straight into one
# PDF), at 1,000, 20,000 and 100,000 records. The runs are paired and interleaved: each round runs
# every size of both programs one after the other, the order of the two programs alternating from
# round to round, so that a change of the machine's load falls on both alike. Each run's CPU time
# (user + system), wall time and peak memory come from /usr/bin/time; the marginal cost of a
# record is what the larger sizes add over 1,000 records, per added record, taken as the median
# over the rounds of each round's own pair.
# Beside each print-all run, the sqlite3 shell moves the rows that run added to the history into
# the same starting database in one INSERT ... SELECT: the cost of those rows in the history table
# and its indexes alone, with nothing of the program around it, shown per added record.
# Usage: bench/print/run-marginal-bench.sh BUILD_DIR [ROUNDS] [PEER_FOLDER]
#   BUILD_DIR: a Release build with -DQUORVAN_BENCH=ON (targets bench_print_allpath and
#   bench_print_batch).
set -euo pipefail
build=$1
rounds=${2:-3}
peer=${3:-$(cd "$(dirname "$0")/../../.." && pwd)/shared/bench/glabels}
allpath=$build/bin/bench_print_allpath
bare=$build/bin/bench_print_batch
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
# The records: the benchmark's 1,000, repeated 1, 20 and 100 times.
sizes=(1 20 100)

export QUORVAN_HOME=$out/home XDG_CONFIG_HOME=$out/config
# The program folder with the benchmark's format, made by a first, untimed run.
"$allpath" "$peer/data.csv" "$out/warm.pdf" >/dev/null 2>&1
cp "$out/home/DATA.mdb" "$out/DATA.mdb.start"

# One run: "cpu-seconds wall-seconds peak-KiB".
run() {
  if /usr/bin/time -f "%U %S %e %M" -o "$out/t" "$@" >"$out/stdout" 2>"$out/stderr"; then
    awk '{ printf "%.3f %.3f %d\n", $1 + $2, $3, $4 }' "$out/t"
  else
    echo "failed: $*" >&2
    tail -5 "$out/stderr" >&2
    exit 1
  fi
}

echo "load before: $(cut -d' ' -f1-3 /proc/loadavg), $(nproc) cores"
for ((r = 1; r <= rounds; ++r)); do
  if ((r % 2)); then order=(all bare); else order=(bare all); fi
  for s in "${sizes[@]}"; do
    for p in "${order[@]}"; do
      if [ "$p" = all ]; then
        # The history grows with each run; it is put aside so that every run starts alike.
        cp "$out/DATA.mdb.start" "$out/home/DATA.mdb"
        line=$(run "$allpath" "$peer/data.csv" "$out/$p.pdf" "$s")
        # The program's own figures: its peak with the window loaded (the records in the batch
        # grid), and at the end of the command.
        ready=$(sed -n 's/^ready after .* peak memory \([0-9.]*\) MiB.*/\1/p' "$out/stdout")
        done=$(sed -n 's/^print-all: .* peak memory \([0-9.]*\) MiB.*/\1/p' "$out/stdout")
        # The history's rows alone: the same rows into the same starting file, by the shell.
        cp "$out/DATA.mdb.start" "$out/floor.mdb"
        floor=$(run sqlite3 "$out/floor.mdb" "ATTACH '$out/home/DATA.mdb' AS run; BEGIN;
            INSERT INTO 历史 SELECT Fmt, ID, CID, Con FROM run.历史
              WHERE rowid > (SELECT MAX(rowid) FROM main.历史) ORDER BY rowid; COMMIT;")
        echo "$r $p $s $line ${ready:-0} ${done:-0} ${floor%% *}"
      else
        echo "$r $p $s $(run "$bare" "$peer/data.csv" "$out/$p.pdf" "$s") 0 0 0"
      fi
    done
  done
done | tee "$out/runs" >&2
echo "load after: $(cut -d' ' -f1-3 /proc/loadavg)"

python3 - "$out/runs" <<'EOF'
import statistics, sys
runs = {}
for line in open(sys.argv[1]):
    r, p, s, cpu, wall, kib, ready, done, floor = line.split()
    runs[(int(r), p, int(s))] = (float(cpu), float(wall), int(kib), float(ready), float(done),
                                 float(floor))
rounds = sorted({k[0] for k in runs})
def med(values):
    return statistics.median(values)
print("whole runs (median over %d rounds):" % len(rounds))
for s in (1, 20, 100):
    for p, name in (("all", "print-all"), ("bare", "bare renderer")):
        cpu = med([runs[(r, p, s)][0] for r in rounds])
        wall = med([runs[(r, p, s)][1] for r in rounds])
        kib = med([runs[(r, p, s)][2] for r in rounds])
        print("  %-13s %7d records: CPU %7.2f s  wall %7.2f s  peak %6.1f MiB"
              % (name, s * 1000, cpu, wall, kib / 1024))
print("marginal cost of a record over 1,000 records (median of the rounds' own pairs):")
for s in (20, 100):
    added = (s - 1) * 1000
    for i, what in ((0, "CPU"), (1, "wall")):
        per = {p: [(runs[(r, p, s)][i] - runs[(r, p, 1)][i]) / added * 1e6 for r in rounds]
               for p in ("all", "bare")}
        ratios = [a / b for a, b in zip(per["all"], per["bare"])]
        print("  1,000 -> %7d records, %-4s: print-all %7.1f us, bare %7.1f us, ratio %.2f"
              " (rounds %s; target at most 1.3)"
              % (s * 1000, what, med(per["all"]), med(per["bare"]), med(ratios),
                 ", ".join("%.2f" % x for x in ratios)))
print("the history's rows alone (sqlite3 shell, the same rows into the same file), per added record:")
for s in (20, 100):
    added = (s - 1) * 1000
    floor = [(runs[(r, "all", s)][5] - runs[(r, "all", 1)][5]) / added * 1e6 for r in rounds]
    bare = [(runs[(r, "bare", s)][0] - runs[(r, "bare", 1)][0]) / added * 1e6 for r in rounds]
    allcpu = [(runs[(r, "all", s)][0] - runs[(r, "all", 1)][0]) / added * 1e6 for r in rounds]
    print("  1,000 -> %7d records: %5.1f us CPU, %.2f of the bare renderer's; print-all less"
          " it, ratio %.2f" % (s * 1000, med(floor), med([f / b for f, b in zip(floor, bare)]),
                               med([(a - f) / b for a, f, b in zip(allcpu, floor, bare)])))
grow = med([(runs[(r, "all", 100)][2] - runs[(r, "all", 1)][2]) / 1024 for r in rounds])
print("print-all peak memory, 100,000 records less 1,000: %.1f MiB (target at most 10)" % grow)
own = {s: med([runs[(r, "all", s)][4] - runs[(r, "all", s)][3] for r in rounds]) for s in (1, 100)}
grid = med([runs[(r, "all", 100)][3] - runs[(r, "all", 1)][3] for r in rounds])
print("  of which the batch grid holding 99,000 more records before the command: %.1f MiB" % grid)
print("  the command's own peak above the loaded window: %.1f MiB at 1,000, %.1f MiB at 100,000"
      " records, growth %.1f MiB (target at most 10)" % (own[1], own[100], own[100] - own[1]))
EOF
