#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for a bounded time.
set -euo pipefail
build=${1:-build-fuzz}
seconds=${2:-30}
CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DVANTORA_FUZZ=ON -DVANTORA_TESTS=OFF -DVANTORA_BENCH=OFF -DVANTORA_GUI=OFF >/dev/null
cmake --build "$build"
for target in "$build"/fuzz/fuzz_*; do
  [ -x "$target" ] || continue
  name=$(basename "$target")
  corpus="$build/corpus/$name"
  mkdir -p "$corpus"
  seeds="fuzz/seeds/$name"
  echo "fuzz: $name for ${seconds}s"
  args=("$corpus")
  [ -d "$seeds" ] && args+=("$seeds")
  "$target" -max_total_time="$seconds" -rss_limit_mb=2048 -print_final_stats=0 "${args[@]}" \
    >"$build/$name.log" 2>&1 || { tail -n 40 "$build/$name.log"; echo "fuzz: $name failed"; exit 1; }
done
