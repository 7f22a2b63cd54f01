#!/usr/bin/env bash
# tarvikctl --all apply and --all firmware update on 16 and 64 full-speed
# stand-ins against one device. The last line is the 16-device ratios:
#   fleet 16: apply A.AAx, firmware F.FFx
# Usage: bench/fleet_bench.sh [BUILD_DIR]   (default build/release)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build/release}
program=$build/bench/tarvik-fleet-bench

[ -x "$program" ] || cmake --build "$build" --target tarvik-fleet-bench
"$program"
