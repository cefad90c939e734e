#!/usr/bin/env bash
# Renders the history popup in its main states (empty, with text, table, image and file rows,
# filtered, without matches, asking to clear) in light and dark, as PNG files in a folder.
#   scripts/screenshots.sh [folder]     default: screenshots/
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh build
output=$(realpath -m "${1:-screenshots}")
cmake -S . -B build-shots -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKAVLA_BUILD_BENCH=OFF >/dev/null
cmake --build build-shots --target tst_popupscreenshots
mkdir -p "$output"
KAVLA_SCREENSHOT_DIR="$output" QT_QPA_PLATFORM=offscreen build-shots/tests/tst_popupscreenshots -silent
echo "Screenshots in $output:"
ls "$output"
