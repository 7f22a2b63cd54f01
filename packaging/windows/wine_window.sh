# shellcheck shell=bash disable=SC2034  # its variables are read by the scripts that source it
# Helpers of the Windows install checks: a private X server, Wine prefixes of
# the checks' own, and waiting for a window by its caption. Sourced, not run.
# Every wait is bounded, and stop_all (run on exit) ends what was started:
# the Wine server of each prefix used, then the X server.

wine=${TARVIK_WINE:-/usr/lib/wine/wine64}
wineserver=$(dirname "$wine")/wineserver
export WINEDEBUG=-all
# No Mono or Gecko installer prompts, and no menu entries or file
# associations written into this machine's desktop for the shortcuts an
# installer makes.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
export QT_QPA_PLATFORM=windows
unset DISPLAY

caption_connected='Tarvik Configurator   [Connected  Ver.'
caption_not_connected='Tarvik Configurator   [Not connected]'

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

note() {
    echo "-- $(date +%T) $*"
}

xvfb_server=$(cd "$(dirname "${BASH_SOURCE[0]}")/../../cmake" && pwd)/xvfb-server.sh
x_file=""
used_prefixes=()

# end_all_on_exit: stop_all when the script ends, also on a signal.
end_all_on_exit() {
    trap stop_all EXIT
    trap 'exit 1' HUP INT TERM
}

stop_all() {
    local p
    for p in "${used_prefixes[@]}"; do
        WINEPREFIX=$p timeout 20 "$wineserver" -k >/dev/null 2>&1 || true
    done
    if [ -n "$x_file" ]; then
        "$xvfb_server" stop "$x_file"
        x_file=""
    fi
}

# start_x FILE: an X server on a display number it picks free itself, as
# DISPLAY; FILE records it for stop_all.
start_x() {
    x_file=$1
    "$xvfb_server" start "$x_file" || fail "Xvfb did not start"
    read -r DISPLAY _ <"$x_file"
    export DISPLAY
    note "X server on $DISPLAY"
}

# use_prefix DIR: DIR as the Wine prefix of what follows, made if new.
use_prefix() {
    export WINEPREFIX=$1
    used_prefixes+=("$1")
    [ -f "$1/.tarvik-ready" ] && return 0
    note "making the Wine prefix $1"
    timeout 20 "$wineserver" -k >/dev/null 2>&1 || true # one left by a killed run
    rm -rf "$1"
    mkdir -p "$1"
    # Made without a display: nothing to show, and no first-start dialogs.
    env -u DISPLAY timeout 150 "$wine" wineboot --init >"$1.boot.log" 2>&1 \
        || { cat "$1.boot.log" >&2; fail "wineboot --init did not finish within 150 s"; }
    env -u DISPLAY timeout 60 "$wineserver" -w || true
    touch "$1/.tarvik-ready"
}

# end_wine: ends every program of the current prefix and its Wine server.
end_wine() {
    timeout 20 "$wineserver" -k >/dev/null 2>&1 || true
    timeout 20 "$wineserver" -w >/dev/null 2>&1 || true
}

# window_named TEXT: true when an X window's name starts with TEXT. Wine names
# the X window of a top-level window after its window text.
window_named() {
    xwininfo -root -tree 2>/dev/null | grep -qF "\"$1"
}

# show_until CAPTION LOG PROGRAM [ARGS...]: starts PROGRAM under Wine, its
# output to LOG, and waits for its window as wait_for_window does.
show_until() {
    local caption=$1 log=$2 pid
    shift 2
    "$wine" "$@" >"$log" 2>&1 &
    pid=$!
    disown "$pid" # ended by end_wine, not waited for
    wait_for_window "$caption" "$(basename "$1")" "$pid" "$log"
}

# wait_for_window CAPTION WHAT [PID LOG]: waits up to 60 s for a window whose
# caption starts with CAPTION, of WHAT was started. Fails when the caption
# never comes, listing the windows there are, or when process PID ends first.
wait_for_window() {
    local caption=$1 what=$2 pid=${3:-} log=${4:-} i
    for i in $(seq 1 120); do
        if window_named "$caption"; then
            note "window \"$caption...\" after $((i / 2)) s"
            return 0
        fi
        if [ -n "$pid" ] && ! kill -0 "$pid" 2>/dev/null; then
            cat "$log" >&2
            fail "$what ended before a window \"$caption...\" appeared"
        fi
        sleep 0.5
    done
    echo "windows on $DISPLAY:" >&2
    xwininfo -root -tree 2>/dev/null | grep '"' | head -20 >&2
    [ -z "$log" ] || cat "$log" >&2
    fail "no window \"$caption...\" within 60 s of starting $what"
}

# check_files DIR EXPECTED...: DIR holds exactly the EXPECTED relative paths
# (files only), nothing missing and nothing more.
check_files() {
    local dir=$1 actual expected
    shift
    actual=$(cd "$dir" && find . -type f | sed 's#^\./##' | LC_ALL=C sort)
    expected=$(printf '%s\n' "$@" | LC_ALL=C sort)
    [ "$actual" = "$expected" ] && return 0
    echo "missing:" >&2
    comm -13 <(echo "$actual") <(echo "$expected") >&2
    echo "not expected:" >&2
    comm -23 <(echo "$actual") <(echo "$expected") >&2
    fail "$dir does not hold exactly the files of the install"
}

# The install folder, as a user gets it.
deployed_files=(
    tarvik-configurator.exe tarvik-configurator-demo.exe tarvikctl.exe
    Qt6Core.dll Qt6Gui.dll Qt6Widgets.dll
    libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll
    platforms/qwindows.dll styles/qwindowsvistastyle.dll
    translations/qtbase_ja.qm translations/qtbase_zh_CN.qm
)
