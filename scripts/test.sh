#!/usr/bin/env bash
# Sets up, builds and runs every test, each build through its preset in
# CMakePresets.json (the configure, build and test presets of one name):
# the layer check, the link and session tests under ThreadSanitizer (tsan),
# the whole suite under AddressSanitizer with UndefinedBehaviorSanitizer
# (asan), each fuzz target for a minute (fuzz), the whole suite in the
# normal build (release), and last the Windows build (MinGW-w64) with its
# tests under Wine (windows): the window's too, and the install folder and
# installer, when Qt for MinGW is found (see the README). Every build
# treats warnings as errors.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
jobs=$(nproc)
"$root/scripts/setup.sh"
cd "$root"

# Structure first, in seconds: no include reaches up a layer, no circle.
tools/check_layers.sh

preset() {
  cmake --preset "$1" >/dev/null
  cmake --build --preset "$1" -j "$jobs"
  ctest --preset "$1" -j "$jobs"
}

preset tsan
preset asan
# Each fuzz target for a minute on its seed corpus, with ASan and UBSan.
scripts/fuzz.sh 60
preset release
preset windows
