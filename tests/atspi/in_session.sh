#!/usr/bin/env bash
# Inside the run's own D-Bus session: starts the accessibility bus and its
# registry, the demo with the toolkit's accessibility on, and the check.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
pids=()
cleanup() {
  local pid
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
}
trap cleanup EXIT
/usr/libexec/at-spi-bus-launcher --launch-immediately &
pids+=($!)
for _ in $(seq 50); do
  dbus-send --session --print-reply --dest=org.a11y.Bus /org/a11y/bus org.a11y.Bus.GetAddress \
    >/dev/null 2>&1 && break
  sleep 0.1
done
/usr/libexec/at-spi2-registryd &
pids+=($!)
QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 QT_QPA_PLATFORM=xcb \
  "$TARVIK_DEMO" --no-panel >"${TARVIK_DEMO_LOG:-/dev/null}" 2>&1 &
pids+=($!)
/usr/bin/python3 "$here/check_window_tree.py" --pid "${pids[-1]}"
