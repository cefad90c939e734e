#!/usr/bin/env bash
# Installs what is missing, builds an optimised Kavla and runs the benchmarks.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh test
cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DKAVLA_BUILD_TESTS=ON >/dev/null
cmake --build build-bench
for bench in build-bench/bench/bench_*; do
    [ -f "$bench" ] && [ -x "$bench" ] || continue
    echo "== $(basename "$bench")"
    "$bench" "$@"
done
