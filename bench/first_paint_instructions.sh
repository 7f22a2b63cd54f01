#!/usr/bin/env bash
# Instructions from exec to the first paint, counted by Callgrind, of the bare
# dialog (the toolkit's floor) and of the configurator (no Tarvik attached),
# each under Xvfb in a private D-Bus session, with the first-paint probe
# ending it at its first paint.
# Counts do not vary with the machine's load as times do.
# Usage: bench/first_paint_instructions.sh [BUILD_DIR] [OUT_DIR]
#        (default build/release; OUT_DIR keeps the Callgrind profiles)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build/release}
out=${2:-$(mktemp -d)}
mkdir -p "$out"
product=$build/src/tarvik-configurator
floor=$build/bench/tarvik-floor-dialog
probe=$build/bench/libtarvik-first-paint-probe.so

display=:$((90 + RANDOM % 9))
Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
runtime=$(mktemp -d)
chmod 700 "$runtime"
trap 'kill $xvfb 2>/dev/null || true; rm -rf "$runtime"' EXIT
sleep 1

# count NAME PROGRAM [ARGS]: the instructions Callgrind collected.
count() {
  local name=$1
  shift
  DISPLAY=$display QT_QPA_PLATFORM=xcb XDG_RUNTIME_DIR=$runtime LD_PRELOAD=$probe \
    dbus-run-session -- valgrind --tool=callgrind --callgrind-out-file="$out/$name.callgrind" "$@" 2>"$out/$name.log" >/dev/null
  grep -q '^first-paint ' "$out/$name.log" || { echo "no first paint from $name" >&2; return 1; }
  awk '/^summary:/ {print $2}' "$out/$name.callgrind"
}

# The floor drawing one line of text loads the font database, as the
# configurator's labels must before they can paint.
floor_count=$(count floor "$floor")
text_count=$(count floor-text "$floor" --with-text)
product_count=$(count configurator "$product")
printf '%-34s %s\n' "instructions, floor" "$floor_count" "instructions, floor with text" \
  "$text_count" "instructions, configurator" "$product_count"
awk -v a="$product_count" -v b="$floor_count" -v t="$text_count" \
  'BEGIN {printf "%-34s %.2f\n%-34s %.2f\n", "configurator/floor", a / b, "configurator/floor with text", a / t}'
echo "Profiles in $out"
