#!/usr/bin/env bash
# Installs what is missing, builds everything with warnings as errors and the sanitizers, and runs
# every test. Unit tests run offscreen; each end-to-end test starts its own Xvfb display.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh test
cmake -S . -B build-test -G Ninja -DCMAKE_BUILD_TYPE=Debug -DKAVLA_WERROR=ON -DKAVLA_SANITIZE=ON >/dev/null
cmake --build build-test
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=0:${ASAN_OPTIONS:-}"
export LSAN_OPTIONS="suppressions=$PWD/tests/lsan.supp:print_suppressions=0:${LSAN_OPTIONS:-}"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1:${UBSAN_OPTIONS:-}"
cd build-test
ctest --output-on-failure --timeout 900 "$@"
