#!/usr/bin/env bash
# Sets up, builds and runs the configurator's main job: on the attached
# Tarvik, or on the stand-in device when none is attached.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
"$root/scripts/build.sh" "$root/build/app" -DTARVIK_BUILD_TESTS=OFF -DTARVIK_BUILD_BENCH=OFF
exec "$root/build/app/tools/tarvik-info"
