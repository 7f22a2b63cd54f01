#!/usr/bin/env bash
# tarvikctl apply against the window making the same changes on the stand-in,
# and --all apply on 16 stand-ins with the full-speed bus model, offscreen.
# Usage: bench/apply_bench.sh [BUILD_DIR]   (default build/release)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build/release}
program=$build/bench/tarvik-apply-vs-window

[ -x "$program" ] || "$root/scripts/build.sh" "$build"
[ -x "$program" ] || cmake --build "$build" --target tarvik-apply-vs-window
runtime=$(mktemp -d)
chmod 700 "$runtime"
trap 'rm -rf "$runtime"' EXIT
XDG_RUNTIME_DIR=$runtime QT_QPA_PLATFORM=offscreen "$program"
