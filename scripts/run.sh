#!/usr/bin/env bash
# Sets up, builds and runs the configurator: on the attached Tarvik, or, when
# none is attached, the demo, which runs the same configurator on the
# stand-in device with a small panel to plug, unplug and change it.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
"$root/scripts/build.sh" "$root/build/app" -DTARVIK_BUILD_TESTS=OFF -DTARVIK_BUILD_BENCH=OFF

# A Tarvik shows as a HID device with vendor 2F3A and one of its product IDs.
if grep -qsiE '^HID_ID=0003:00002F3A:0000(4021|4026|402F)$' /sys/class/hidraw/*/device/uevent; then
  exec "$root/build/app/src/tarvik-configurator"
fi
echo "No Tarvik attached: running the configurator on the stand-in device."
exec "$root/build/app/demo/tarvik-configurator-demo"
