#!/usr/bin/env bash
# One slip with a free text of each length printed to PDF, each in a process of its own: wall
# time and peak memory of the process, the page's own time and its cost per character.
# Usage: bench/print/run-longtext-bench.sh BUILD_DIR [LENGTH...]
#   BUILD_DIR: a Release build with -DQUORVAN_BENCH=ON.
#   SPACING (environment): the free text's character spacing in mm, 0 unless given.
set -euo pipefail
build=$1
shift
lengths=("$@")
[ ${#lengths[@]} -gt 0 ] || lengths=(500 5000 50000 1750000)
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT

echo "load: $(cut -d' ' -f1-3 /proc/loadavg) on $(nproc) cores"
for n in "${lengths[@]}"; do
  if ! /usr/bin/time -f "%e %M" -o "$out/t" "$build/bin/bench_print_longtext" "$n" "$out/p.pdf" \
    "${SPACING:-0}" \
    >"$out/stdout" 2>"$out/stderr"; then
    cat "$out/stderr" >&2
    exit 1
  fi
  read -r secs kib <"$out/t"
  printf '%s; process %.2f s, peak %d MiB\n' "$(cat "$out/stdout")" "$secs" $((kib / 1024))
done
