#!/usr/bin/env bash
# Starts or stops an X server of a test run's own, for the Windows programs
# that must run on Wine's X11 driver (the headless one has no system menus).
#   xvfb-server.sh start FILE   starts Xvfb on a free display, writes ":N PID" to FILE
#   xvfb-server.sh stop FILE    stops the server FILE names and removes FILE
set -euo pipefail
action=$1
file=$2
case $action in
  start)
    [ -f "$file" ] && "$0" stop "$file"
    numbers=$(mktemp)
    # -displayfd picks a display number no other server holds, without a race.
    setsid Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$numbers" </dev/null >/dev/null 2>&1 &
    pid=$!
    for _ in $(seq 100); do
      [ -s "$numbers" ] && break
      kill -0 "$pid" 2>/dev/null || break
      sleep 0.1
    done
    number=$(tr -dc 0-9 <"$numbers")
    rm -f "$numbers"
    if [ -z "$number" ]; then
      kill "$pid" 2>/dev/null || true
      echo "Xvfb did not start" >&2
      exit 1
    fi
    echo ":$number $pid" >"$file"
    ;;
  stop)
    if [ -f "$file" ]; then
      read -r _ pid <"$file" || true
      [ -n "${pid:-}" ] && kill "$pid" 2>/dev/null || true
      rm -f "$file"
    fi
    ;;
  *)
    echo "usage: $0 start|stop FILE" >&2
    exit 64
    ;;
esac
