#!/usr/bin/env bash
# Installs what is missing, builds Kavla and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh build
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKAVLA_BUILD_TESTS=OFF -DKAVLA_BUILD_BENCH=OFF >/dev/null
cmake --build build --target kavla
exec build/kavla "$@"
