# shellcheck shell=bash
# Helpers shared by the packaging checks. Sourced, not run.

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

note() {
    echo "-- $*"
}

# cache_value BUILD_DIR NAME: the value of NAME in BUILD_DIR/CMakeCache.txt,
# empty when it is not there.
cache_value() {
    sed -n "s/^$2:[A-Z]*=//p" "$1/CMakeCache.txt" | head -n 1
}

# png_size FILE: "WIDTHxHEIGHT" read from the PNG header, empty when FILE is
# not a PNG.
png_size() {
    local sig
    sig=$(od -An -tx1 -N8 "$1" | tr -d ' \n')
    [ "$sig" = "89504e470d0a1a0a" ] || return 0
    local w h
    w=$(od -An -tu4 --endian=big -j16 -N4 "$1" | tr -d ' ')
    h=$(od -An -tu4 --endian=big -j20 -N4 "$1" | tr -d ' ')
    echo "${w}x${h}"
}

# require_build_dir BUILD_DIR: stop unless BUILD_DIR is a configured tree.
require_build_dir() {
    [ -n "$1" ] || fail "usage: $0 <build dir>"
    [ -f "$1/CMakeCache.txt" ] || fail "$1 is not a configured build directory (no CMakeCache.txt)"
}
