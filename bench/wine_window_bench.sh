#!/usr/bin/env bash
# The Windows build's window under Wine on Xvfb, against a bare Qt dialog of
# the same size built with the same Qt (the toolkit's floor), bare and with
# one line of text (the first text a Qt program draws under Wine loads its
# font database, which costs about as much as the rest). Five runs of each
# after a warm-up run:
#   first paint   time from exec to the main window's first paint
#   memory        resident set size of the Windows process 3 s after the start
# The demo runs with no stand-in attached and without its panel, as on Linux.
# Usage: bench/wine_window_bench.sh [BUILD_DIR]   (default build/windows-bench,
#        configured for Windows with the benchmarks, built when missing)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(readlink -f "${1:-$root/build/windows-bench}")  # Wine wants an absolute prefix
demo=$build/bin/tarvik-configurator-demo.exe
floor=$build/bin/tarvik-floor-dialog.exe
wine=/usr/lib/wine/wine64

"$root/scripts/setup.sh" bench
if [ ! -f "$demo" ] || [ ! -f "$floor" ]; then
  "$root/scripts/build.sh" "$build" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
    -DTARVIK_BUILD_TESTS=OFF -DTARVIK_BUILD_BENCH=ON
fi
[ -f "$floor" ] || { echo "no $floor: the build found no Qt for MinGW" >&2; exit 1; }

work=$(mktemp -d)
display_file=$work/display
"$root/cmake/xvfb-server.sh" start "$display_file"
export WINEPREFIX=$build/wineprefix-bench WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
read -r DISPLAY _ <"$display_file"
export DISPLAY
cleanup() {
  "$(dirname "$wine")/wineserver" -k 2>/dev/null || true
  "$root/cmake/xvfb-server.sh" stop "$display_file"
  rm -rf "$work"
}
trap cleanup EXIT
"$wine" wineboot --init >/dev/null 2>&1 || true
# A server that outlives each run, so no run pays for starting Wine itself.
"$(dirname "$wine")/wineserver" -p >/dev/null 2>&1 </dev/null || true

now_ns() { date +%s%N; }
rss_kib() { awk '/^VmRSS:/ {print $2}' /proc/"$1"/status; }
median() { sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }

# run PROGRAM ARGS...: "first_paint_ms rss_kib"; the Windows program is the
# wine process itself, so its pid is the one started here.
run() {
  local log start paint pid rss
  log=$work/log
  : >"$log"
  start=$(now_ns)
  "$wine" "$@" --report-first-paint >/dev/null 2>"$log" </dev/null &
  pid=$!
  for _ in $(seq 1 400); do
    grep -q '^first-paint ' "$log" && break
    sleep 0.05
  done
  paint=$(tr -d '\r' <"$log" | awk '/^first-paint / {print $2; exit}')  # CRLF from Windows
  sleep 3
  rss=$(rss_kib "$pid" 2>/dev/null || echo 0)
  kill "$pid" 2>/dev/null
  wait "$pid" 2>/dev/null || true
  [ -n "$paint" ] || { echo "no first paint from $1" >&2; return 1; }
  echo "$(((paint - start) / 1000000)) $rss"
}

runs=5
echo "Warm-up"
run "$floor" >/dev/null
run "$demo" --no-device --no-panel >/dev/null
for _ in $(seq $runs); do run "$floor"; done >"$work/floor"
for _ in $(seq $runs); do run "$floor" --with-text; done >"$work/floor-text"
for _ in $(seq $runs); do run "$demo" --no-device --no-panel; done >"$work/configurator"

report() { printf '%-34s %s\n' "$1" "$2"; }
column() { cut -d' ' -f"$2" "$work/$1"; }
echo
echo "Under Wine, medians of $runs runs (all runs in brackets)"
for name in floor floor-text configurator; do
  report "first paint, $name (ms)" "$(column $name 1 | median) [$(column $name 1 | tr '\n' ' ')]"
done
for name in floor floor-text configurator; do
  report "resident, $name (KiB)" "$(column $name 2 | median) [$(column $name 2 | tr '\n' ' ')]"
done
for name in floor floor-text; do
  awk -v p1="$(column configurator 1 | median)" -v p0="$(column $name 1 | median)" \
    -v r1="$(column configurator 2 | median)" -v r0="$(column $name 2 | median)" -v n=$name \
    'BEGIN {printf "%-34s %.2f\n%-34s %.2f\n", "first paint ÷ " n, p1 / p0, "resident ÷ " n, r1 / r0}'
done
