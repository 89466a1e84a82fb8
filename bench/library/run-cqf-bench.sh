#!/usr/bin/env bash
# The format-file import benchmark: makes the files of 200,000 broken lines (not timed), then
# times one import of each in a fresh program folder.
# Usage: bench/library/run-cqf-bench.sh BUILD_DIR
set -euo pipefail
build=$1
data=$(mktemp -d)
trap 'rm -rf "$data"' EXIT
/usr/bin/python3 "$(dirname "$0")/make-cqf-data.py" "$data"
for f in "$data"/*.cqf; do
  printf '%s: ' "$(basename "$f")"
  "$build/bin/bench_library_cqf" "$f" | tr '\n' ' '
  echo
done
