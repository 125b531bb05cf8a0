#!/usr/bin/env bash
# Runs every benchmark binary of a Release build.
set -euo pipefail
build=${1:-build-bench}
for b in "$build"/bench/bench_*; do
  [ -x "$b" ] || continue
  echo "== $(basename "$b")"
  "$b" --benchmark_counters_tabular=true
done
