#!/usr/bin/env bash
# Runs a cross-built Windows program under Wine, headless, in a Wine prefix of
# the build's own (beside the program's build folder), with Wine's own
# diagnostics off. The prefix is made once; concurrent first runs wait for it.
# With TARVIK_WINE_DISPLAY_FILE naming a file of cmake/xvfb-server.sh, the
# program runs on that X server instead, in a second prefix kept for it.
#   wine-run.sh PROGRAM.exe [arguments...]
set -euo pipefail
program=$(readlink -f "$1")
shift
wine=${TARVIK_WINE:-/usr/lib/wine/wine64}
build=$(dirname "$program")
while [ "$build" != / ] && [ ! -f "$build/CMakeCache.txt" ]; do build=$(dirname "$build"); done
[ "$build" = / ] && build=$(dirname "$program")
prefix_name=wineprefix
if [ -n "${TARVIK_WINE_DISPLAY_FILE:-}" ]; then
  read -r display _ <"$TARVIK_WINE_DISPLAY_FILE"
  export DISPLAY=$display
  prefix_name=wineprefix-x11
else
  unset DISPLAY
fi
export WINEPREFIX="$build/$prefix_name"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=" # no Mono or Gecko installer prompts
if [ ! -f "$WINEPREFIX/.tarvik-ready" ]; then
  mkdir -p "$WINEPREFIX"
  (
    flock 9
    if [ ! -f "$WINEPREFIX/.tarvik-ready" ]; then
      "$wine" wineboot --init >/dev/null 2>&1 || true
      touch "$WINEPREFIX/.tarvik-ready"
    fi
  ) 9>"$WINEPREFIX.lock"
fi
# A Wine program that starts while the Wine server is shutting down after its
# last client dies with "recvmsg: Connection reset by peer" before it runs.
# A server that stays for 30 s after its last client closes that gap within
# a test run; when one is running already, this returns at once.
"$(dirname "$wine")/wineserver" -p30 >/dev/null 2>&1 </dev/null || true
# Wine starts its desktop and services from the first program of a server,
# and they inherit that program's output; they stay until the server goes, and
# whoever reads the output (CTest) would wait for them. The output goes
# through files instead, which only this script reads.
output=$(mktemp -d)
trap 'rm -rf "$output"' EXIT
# A start that loses that race in another way fails silently before the
# program runs (seen once in a full parallel run: exit 1, no output, 50 ms).
# A silent failure is started once more: a program that really fails without
# a word fails the same way again, so the retry costs it one more start.
run() {
  status=0
  "$wine" "$program" "$@" >"$output/out" 2>"$output/err" || status=$?
}
run "$@"
if [ "$status" -ne 0 ] && [ ! -s "$output/out" ] && [ ! -s "$output/err" ]; then
  sleep 1
  run "$@"
fi
cat "$output/out"
cat "$output/err" >&2
exit "$status"
