#!/usr/bin/env bash
# Renders the history popup in its main states (empty, with text, table, image and file rows,
# filtered, without matches, asking to clear) in light and dark and in each of the five interface
# languages, and every Settings section, guide page and history-window detail in light and dark (in Portuguese and English, at 100 % and,
# under scale-2/, at 200 %), as PNG files. Japanese needs a CJK font (fonts-noto-cjk, see deps.sh).
#   scripts/screenshots.sh [folder]     default: screenshots/
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh build
output=$(realpath -m "${1:-screenshots}")
cmake -S . -B build-shots -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKAVLA_BUILD_BENCH=OFF >/dev/null
cmake --build build-shots --target render_screenshots
mkdir -p "$output" "$output/scale-2"
QT_QPA_PLATFORM=offscreen build-shots/tools/render_screenshots "$output"
QT_SCALE_FACTOR=2 QT_QPA_PLATFORM=offscreen build-shots/tools/render_screenshots "$output/scale-2" settings guide history
echo "Screenshots in $output:"
ls "$output"
