#!/usr/bin/env bash
# Builds tarvik-make-art in build/art and regenerates the PNG art in
# src/resources (tabs, page backgrounds, radio buttons, program icon) and the
# Windows icon file made from the icon's PNG files.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -G Ninja -S . -B build/art -DTARVIK_BUILD_TESTS=OFF -DTARVIK_BUILD_BENCH=OFF >/dev/null
cmake --build build/art --target tarvik-make-art
QT_QPA_PLATFORM=offscreen build/art/tools/make_art/tarvik-make-art src/resources
