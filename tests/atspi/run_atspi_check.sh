#!/usr/bin/env bash
# Runs the demo on the stand-in under an X server, D-Bus session and
# accessibility bus of this run's own, and checks the main window's
# accessibility tree with check_window_tree.py. Everything started here is
# stopped on the way out, however the run ends.
#   run_atspi_check.sh DEMO_PROGRAM
set -euo pipefail
demo=$(readlink -f "$1")
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
display_file=$work/display
cleanup() {
  "$here/../../cmake/xvfb-server.sh" stop "$display_file"
  rm -rf "$work"
}
trap cleanup EXIT
"$here/../../cmake/xvfb-server.sh" start "$display_file"
read -r display _ <"$display_file"
export DISPLAY=$display
export TARVIK_DEMO=$demo
# A runtime folder of the run's own: the demo's single-instance lock (and
# the accessibility bus's socket) then stay away from tarvikctl and other
# tests running beside this one.
mkdir -m 700 "$work/runtime"
export XDG_RUNTIME_DIR=$work/runtime
# The session bus, with the accessibility bus and the demo under it, goes
# away with the check; the bounded wait keeps a stuck run from hanging.
timeout --kill-after=10 180 dbus-run-session -- "$here/in_session.sh"
