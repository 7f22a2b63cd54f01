#!/usr/bin/env bash
# Window measurements under Xvfb, inside a private D-Bus session, against a
# bare Qt dialog of the same size (the toolkit's floor). Five runs of each
# after a warm-up run:
#   first paint   time from exec to the main window's first paint
#   memory        resident set size 3 s after the start
#   idle CPU      CPU time of all threads over 10 s: the configurator while it
#                 watches for a device (none attached) and while connected to
#                 the stand-in, the floor with its own 200 ms timer
# Usage: bench/window_bench.sh [BUILD_DIR]   (default build/release)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build/release}
demo=$build/demo/tarvik-configurator-demo
floor=$build/bench/tarvik-floor-dialog

if [ -z "${TARVIK_BENCH_INNER:-}" ]; then
  "$root/scripts/setup.sh" bench
  [ -x "$demo" ] && [ -x "$floor" ] || "$root/scripts/build.sh" "$build"
  display=:$((90 + RANDOM % 9))
  Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
  xvfb=$!
  trap 'kill $xvfb 2>/dev/null || true' EXIT
  sleep 1
  DISPLAY=$display QT_QPA_PLATFORM=xcb TARVIK_BENCH_INNER=1 dbus-run-session -- "$0" "$build"
  exit
fi

runtime=$(mktemp -d)
chmod 700 "$runtime"
export XDG_RUNTIME_DIR=$runtime
trap 'rm -rf "$runtime"' EXIT

now_ns() { date +%s%N; }

# CPU time of every thread of process $1, in nanoseconds.
cpu_ns() {
  local total=0 t
  for t in /proc/"$1"/task/*/schedstat; do
    read -r run _ < "$t" 2>/dev/null || continue
    total=$((total + run))
  done
  echo "$total"
}

rss_kib() { awk '/^VmRSS:/ {print $2}' /proc/"$1"/status; }

# first_paint_ms COMMAND...: milliseconds from exec to the first paint.
first_paint_ms() {
  local log start paint pid
  log=$(mktemp)
  start=$(now_ns)
  "$@" 2>"$log" &
  pid=$!
  for _ in $(seq 1 200); do
    grep -q '^first-paint ' "$log" && break
    sleep 0.05
  done
  paint=$(awk '/^first-paint / {print $2; exit}' "$log")
  kill "$pid" 2>/dev/null; wait "$pid" 2>/dev/null || true
  rm -f "$log"
  [ -n "$paint" ] || { echo "no first paint" >&2; return 1; }
  echo $(((paint - start) / 1000000))
}

# steady COMMAND...: "RSS_KiB CPU_ms": memory 3 s after the start, CPU in the
# 10 s after that (settle first: the demo connects about 3.5 s after start).
steady() {
  local settle=$1; shift
  local pid cpu0 cpu1 rss
  "$@" >/dev/null 2>&1 &
  pid=$!
  sleep 3
  rss=$(rss_kib "$pid")
  sleep "$settle"
  cpu0=$(cpu_ns "$pid")
  sleep 10
  cpu1=$(cpu_ns "$pid")
  kill "$pid" 2>/dev/null; wait "$pid" 2>/dev/null || true
  echo "$rss $(((cpu1 - cpu0) / 1000000))"
}

median() { sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }

runs=5
echo "Warm-up"
first_paint_ms "$floor" --report-first-paint >/dev/null
first_paint_ms "$demo" --no-device --no-panel --report-first-paint >/dev/null

for name in floor configurator; do
  if [ $name = floor ]; then cmd=("$floor" --report-first-paint); else cmd=("$demo" --no-device --no-panel --report-first-paint); fi
  for _ in $(seq $runs); do first_paint_ms "${cmd[@]}"; done > "$runtime/$name.paint"
done

for _ in $(seq $runs); do steady 0 "$floor"; done > "$runtime/floor.steady"
for _ in $(seq $runs); do steady 0 "$demo" --no-device --no-panel; done > "$runtime/watch.steady"
for _ in $(seq $runs); do steady 2 "$demo" --no-panel; done > "$runtime/connected.steady"

report() { printf '%-34s %s\n' "$1" "$2"; }
echo
echo "Medians of $runs runs (all runs in brackets)"
report "first paint, floor (ms)" "$(median < "$runtime/floor.paint") [$(tr '\n' ' ' < "$runtime/floor.paint")]"
report "first paint, configurator (ms)" "$(median < "$runtime/configurator.paint") [$(tr '\n' ' ' < "$runtime/configurator.paint")]"
report "resident, floor (KiB)" "$(cut -d' ' -f1 "$runtime/floor.steady" | median) [$(cut -d' ' -f1 "$runtime/floor.steady" | tr '\n' ' ')]"
report "resident, configurator (KiB)" "$(cut -d' ' -f1 "$runtime/watch.steady" | median) [$(cut -d' ' -f1 "$runtime/watch.steady" | tr '\n' ' ')]"
report "CPU in 10 s, floor (ms)" "$(cut -d' ' -f2 "$runtime/floor.steady" | median) [$(cut -d' ' -f2 "$runtime/floor.steady" | tr '\n' ' ')]"
report "CPU in 10 s, watching (ms)" "$(cut -d' ' -f2 "$runtime/watch.steady" | median) [$(cut -d' ' -f2 "$runtime/watch.steady" | tr '\n' ' ')]"
report "CPU in 10 s, connected (ms)" "$(cut -d' ' -f2 "$runtime/connected.steady" | median) [$(cut -d' ' -f2 "$runtime/connected.steady" | tr '\n' ' ')]"
