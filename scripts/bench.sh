#!/usr/bin/env bash
# Installs what is missing, builds an optimised Kavla and runs the benchmarks.
#   scripts/bench.sh [ARGS]            every benchmark, each given ARGS
#   scripts/bench.sh --baseline REV    the memory of a 64 MB and a 200 MB text copy, and the
#                                      figures of bench_capture --hostile, Kavla as of the git
#                                      revision REV beside this one, in the same run
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh test
cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DKAVLA_BUILD_TESTS=ON >/dev/null
cmake --build build-bench

if [ "${1:-}" = --baseline ]; then
    revision=${2:?"--baseline needs a git revision"}
    baseline=$PWD/build-bench-baseline
    rm -rf "$baseline/source"
    mkdir -p "$baseline"
    git archive --format=tar --prefix=source/ "$revision" | tar -x -C "$baseline"
    cmake -S "$baseline/source" -B "$baseline/build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
    cmake --build "$baseline/build" --target kavla
    build-bench/bench/bench_capture --memory --kavla "$baseline/build/kavla" --kavla build-bench/kavla
    exec build-bench/bench/bench_capture --hostile --kavla "$baseline/build/kavla" --kavla build-bench/kavla
fi

for bench in build-bench/bench/bench_*; do
    [ -f "$bench" ] && [ -x "$bench" ] || continue
    echo "== $(basename "$bench")"
    "$bench" "$@"
done
