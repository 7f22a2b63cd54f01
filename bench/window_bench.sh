#!/usr/bin/env bash
# Window measurements under Xvfb, inside a private D-Bus session, against a
# bare Qt dialog of the same size (the toolkit's floor). After a warm-up run:
#   first paint   time from exec to the main window's first paint, 11 runs of
#                 the floor, the configurator and the demo taking turns; the
#                 configurator, which has no option for it, reports its paint
#                 through a probe loaded with LD_PRELOAD. The configurator's
#                 median may be at most 1.1 times the floor's: the script
#                 ends with status 1 otherwise.
#   memory        resident set size 3 s after the start (five runs of each)
#   memory        resident set size 3 s after the start
#   idle CPU      CPU time of all threads over 10 s: the configurator while it
#                 watches for a device (none attached) and while connected to
#                 the stand-in, the floor with its own 200 ms timer
# Usage: bench/window_bench.sh [BUILD_DIR]   (default build/release)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build/release}
demo=$build/demo/tarvik-configurator-demo
product=$build/src/tarvik-configurator
floor=$build/bench/tarvik-floor-dialog
probe=$build/bench/libtarvik-first-paint-probe.so

if [ -z "${TARVIK_BENCH_INNER:-}" ]; then
  "$root/scripts/setup.sh" bench
  [ -x "$demo" ] && [ -x "$product" ] && [ -x "$floor" ] && [ -f "$probe" ] ||
    "$root/scripts/build.sh" "$build"
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

# first_paint_ms COMMAND...: milliseconds from exec to the first paint, which
# the command reports on standard error as "first-paint NS".
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
  kill "$pid" 2>/dev/null || true  # the probe ends the configurator itself
  wait "$pid" 2>/dev/null || true
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

# The configurator's first paint, through the probe.
product_paint_ms() { first_paint_ms env LD_PRELOAD="$probe" "$product"; }

paint_runs=11
runs=5
echo "Warm-up"
first_paint_ms "$floor" --report-first-paint >/dev/null
product_paint_ms >/dev/null
first_paint_ms "$demo" --no-device --no-panel --report-first-paint >/dev/null

# Taking turns, so a load that comes and goes falls on all three alike.
for _ in $(seq $paint_runs); do
  first_paint_ms "$floor" --report-first-paint >> "$runtime/floor.paint"
  product_paint_ms >> "$runtime/configurator.paint"
  first_paint_ms "$demo" --no-device --no-panel --report-first-paint >> "$runtime/demo.paint"
done

for _ in $(seq $runs); do steady 0 "$floor"; done > "$runtime/floor.steady"
for _ in $(seq $runs); do steady 0 "$demo" --no-device --no-panel; done > "$runtime/watch.steady"
for _ in $(seq $runs); do steady 2 "$demo" --no-panel; done > "$runtime/connected.steady"

report() { printf '%-34s %s\n' "$1" "$2"; }
paint() { echo "$(median < "$runtime/$1.paint") [$(tr '\n' ' ' < "$runtime/$1.paint")]"; }
ratio() { awk -v a="$(median < "$runtime/$1.paint")" -v b="$(median < "$runtime/floor.paint")" 'BEGIN {printf "%.2f", a / b}'; }
echo
echo "First paint: medians of $paint_runs runs; the rest: medians of $runs runs (all runs in brackets)"
report "first paint, floor (ms)" "$(paint floor)"
report "first paint, configurator (ms)" "$(paint configurator)"
report "first paint, demo (ms)" "$(paint demo)"
report "first paint, configurator/floor" "$(ratio configurator)"
report "first paint, demo/floor" "$(ratio demo)"
report "resident, floor (KiB)" "$(cut -d' ' -f1 "$runtime/floor.steady" | median) [$(cut -d' ' -f1 "$runtime/floor.steady" | tr '\n' ' ')]"
report "resident, configurator (KiB)" "$(cut -d' ' -f1 "$runtime/watch.steady" | median) [$(cut -d' ' -f1 "$runtime/watch.steady" | tr '\n' ' ')]"
report "CPU in 10 s, floor (ms)" "$(cut -d' ' -f2 "$runtime/floor.steady" | median) [$(cut -d' ' -f2 "$runtime/floor.steady" | tr '\n' ' ')]"
report "CPU in 10 s, watching (ms)" "$(cut -d' ' -f2 "$runtime/watch.steady" | median) [$(cut -d' ' -f2 "$runtime/watch.steady" | tr '\n' ' ')]"
report "CPU in 10 s, connected (ms)" "$(cut -d' ' -f2 "$runtime/connected.steady" | median) [$(cut -d' ' -f2 "$runtime/connected.steady" | tr '\n' ' ')]"

# The goal: the configurator's first paint at most 1.1 times the floor's.
if awk -v r="$(ratio configurator)" 'BEGIN {exit !(r > 1.10)}'; then
  echo "first paint: the configurator takes more than 1.1 times the floor's time" >&2
  exit 1
fi
