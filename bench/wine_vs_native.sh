#!/usr/bin/env bash
# The exchange and firmware benchmarks natively and, in the same run, the
# Windows build under Wine, side by side:
#   exchange       one exchange's median time, Wine against native, and each
#                  against its two-thread hand-off floor (goal: 2x at most)
#   firmware       the 1 MiB package at full and high speed, over the bus
#                  model's floor and over the report-count limit (medians of
#                  the benchmark's rounds)
# Usage: bench/wine_vs_native.sh [NATIVE_BUILD [WINDOWS_BUILD]]
#        (default build/release and build/windows; RUNS=n repeats the pair)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
native_build=$(readlink -f "${1:-$root/build/release}")
windows_build=$(readlink -f "${2:-$root/build/windows}")  # Wine wants an absolute prefix
native=$native_build/bench/tarvik_bench
windows=$windows_build/bin/tarvik_bench.exe
wine=${TARVIK_WINE:-/usr/lib/wine/wine64}
filter='BM_(ExchangeGetUsbSpeed|ThreadHandoffFloor|FirmwarePackage)'

for f in "$native" "$windows" "$wine"; do
  [ -e "$f" ] || { echo "missing: $f" >&2; exit 1; }
done

out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT

run_native() { "$native" --benchmark_filter="$filter" --benchmark_format=json; }
# Wine's console turns line ends into CR LF.
run_wine() {
  env -u DISPLAY WINEPREFIX="$windows_build/wineprefix" WINEDEBUG=-all \
    WINEDLLOVERRIDES="mscoree,mshtml=" \
    "$wine" "$windows" --benchmark_filter="$filter" --benchmark_format=json | tr -d '\r'
}

# pick FILE NAME KEY: KEY of the first benchmark whose name starts with NAME.
pick() {
  awk -F': ' -v want="$2" -v key="\"$3\"" '
    $1 ~ /"name"$/ { name = $2; gsub(/[",]/, "", name) }
    index(name, want) == 1 {
      k = $1; gsub(/ /, "", k)
      if (k == key) { v = $2; gsub(/[",]/, "", v); print v; exit }
    }
  ' "$1"
}

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }
us() { awk -v ns="$1" 'BEGIN { printf "%.1f", ns / 1000 }'; }
ms() { awk -v ms="$1" 'BEGIN { printf "%.0f", ms }'; }
pct() { awk -v p="$1" 'BEGIN { printf "%+.2f", p }'; }
row() { printf '%-40s %12s %12s\n' "$@"; }

for run in $(seq "${RUNS:-1}"); do
  echo "Run $run: native, then Wine" >&2
  run_native >"$out/native.json" 2>"$out/native.log" || { cat "$out/native.log" >&2; exit 1; }
  run_wine >"$out/wine.json" 2>"$out/wine.log" || { cat "$out/wine.log" >&2; exit 1; }

  declare -A x=()
  for side in native wine; do
    j=$out/$side.json
    x[$side.exchange]=$(pick "$j" BM_ExchangeGetUsbSpeed/repeats:10/real_time_median real_time)
    x[$side.floor]=$(pick "$j" BM_ThreadHandoffFloor/repeats:10/real_time_median real_time)
    for speed in FullSpeed HighSpeed; do
      for key in program_ms floor_ms over_floor_pct over_limit_pct; do
        x[$side.$speed.$key]=$(pick "$j" "BM_FirmwarePackage/$speed/" $key)
      done
    done
  done

  echo
  row "Run $run" native Wine
  row "exchange, median (us)" "$(us "${x[native.exchange]}")" "$(us "${x[wine.exchange]}")"
  row "two-thread floor, median (us)" "$(us "${x[native.floor]}")" "$(us "${x[wine.floor]}")"
  row "exchange / floor (goal <= 2)" "$(ratio "${x[native.exchange]}" "${x[native.floor]}")" \
    "$(ratio "${x[wine.exchange]}" "${x[wine.floor]}")"
  row "exchange, Wine / native" "" "$(ratio "${x[wine.exchange]}" "${x[native.exchange]}")"
  for speed in FullSpeed HighSpeed; do
    row "firmware $speed, program (ms)" "$(ms "${x[native.$speed.program_ms]}")" \
      "$(ms "${x[wine.$speed.program_ms]}")"
    row "firmware $speed, floor (ms)" "$(ms "${x[native.$speed.floor_ms]}")" \
      "$(ms "${x[wine.$speed.floor_ms]}")"
    row "firmware $speed, over floor (%)" "$(pct "${x[native.$speed.over_floor_pct]}")" \
      "$(pct "${x[wine.$speed.over_floor_pct]}")"
    row "firmware $speed, over limit (%)" "$(pct "${x[native.$speed.over_limit_pct]}")" \
      "$(pct "${x[wine.$speed.over_limit_pct]}")"
  done
done
