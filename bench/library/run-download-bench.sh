#!/usr/bin/env bash
# The download benchmark: a 200 MB reply from the local test server into a file; prints the
# program's own figures (time, size, peak memory) and the whole process's peak memory.
# Usage: bench/library/run-download-bench.sh BUILD_DIR [MB]
set -euo pipefail
build=$1
mb=${2:-200}
out=$(mktemp)
trap 'rm -f "$out"' EXIT
QT_QPA_PLATFORM=offscreen /usr/bin/time -f "%e %M" -o "$out" "$build/bin/bench_download" "$mb"
read -r s kb < "$out"
printf 'whole process: %.2f s, peak memory %.1f MiB\n' "$s" "$(echo "$kb/1024" | bc -l)"
