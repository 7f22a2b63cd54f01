#!/usr/bin/env bash
# Runs a cross-built Windows program under Wine, headless, in a Wine prefix of
# the build's own (beside the program's build folder), with Wine's own
# diagnostics off. The prefix is made once; concurrent first runs wait for it.
#   wine-run.sh PROGRAM.exe [arguments...]
set -euo pipefail
program=$(readlink -f "$1")
shift
wine=${TARVIK_WINE:-/usr/lib/wine/wine64}
build=$(dirname "$program")
while [ "$build" != / ] && [ ! -f "$build/CMakeCache.txt" ]; do build=$(dirname "$build"); done
[ "$build" = / ] && build=$(dirname "$program")
export WINEPREFIX="$build/wineprefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=" # no Mono or Gecko installer prompts
unset DISPLAY
if [ ! -f "$WINEPREFIX/.tarvik-ready" ]; then
  mkdir -p "$WINEPREFIX"
  (
    flock 9
    if [ ! -f "$WINEPREFIX/.tarvik-ready" ]; then
      "$wine" wineboot --init >/dev/null 2>&1 || true
      touch "$WINEPREFIX/.tarvik-ready"
    fi
  ) 9>"$build/wineprefix.lock"
fi
# A Wine program that starts while the Wine server is shutting down after its
# last client dies with "recvmsg: Connection reset by peer" before it runs.
# A server that stays for 30 s after its last client closes that gap within
# a test run; when one is running already, this returns at once.
"$(dirname "$wine")/wineserver" -p30 >/dev/null 2>&1 </dev/null || true
exec "$wine" "$program" "$@"
