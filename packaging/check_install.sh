#!/usr/bin/env bash
# Installs a built tree under two unrelated prefixes (into a staging root via
# DESTDIR, never onto this system) and checks that the programs and data
# follow the prefix while the udev rule always lands in the system udev
# directory, the only place udev reads it from.
#
# Usage: check_install.sh <build dir>
# CMAKE may name the cmake to use (the test passes the one that configured).
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
. "$here/test_common.sh"

build=${1:-}
require_build_dir "$build"
build=$(cd "$build" && pwd)
cmake=${CMAKE:-cmake}

udev_dir=$(cache_value "$build" TARVIK_UDEV_RULES_DIR)
bindir=$(cache_value "$build" CMAKE_INSTALL_BINDIR)
datadir=$(cache_value "$build" CMAKE_INSTALL_DATADIR)
[ -n "$udev_dir" ] || fail "no TARVIK_UDEV_RULES_DIR in $build/CMakeCache.txt"
bindir=${bindir:-bin}
datadir=${datadir:-share}

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

n=0
for prefix in "$tmp/usr/local" /opt/tarvik-configurator; do
    n=$((n + 1))
    stage="$tmp/root$n"
    note "cmake --install --prefix $prefix with DESTDIR=$stage"
    if ! DESTDIR="$stage" "$cmake" --install "$build" --prefix "$prefix" >"$tmp/install$n.log" 2>&1; then
        cat "$tmp/install$n.log" >&2
        fail "cmake --install --prefix $prefix failed"
    fi

    # The manifest lists the installed paths without DESTDIR; each must be
    # found inside the staging root, or the install wrote to this machine.
    manifest="$build/install_manifest.txt"
    [ -s "$manifest" ] || fail "cmake --install wrote no $manifest"
    while IFS= read -r f; do
        [ -e "$stage$f" ] || fail "$f was installed, but not under DESTDIR=$stage"
    done <"$manifest"
    grep -qxF "$udev_dir/70-tarvik.rules" "$manifest" \
        || fail "prefix $prefix: the manifest does not list $udev_dir/70-tarvik.rules"

    rule="$stage$udev_dir/70-tarvik.rules"
    [ -f "$rule" ] || fail "prefix $prefix: the udev rule is not at $udev_dir/70-tarvik.rules"
    under_prefix=$(find "$stage$prefix" -name '*.rules' 2>/dev/null || true)
    [ -z "$under_prefix" ] || fail "prefix $prefix: a udev rule was installed under the prefix: $under_prefix"

    for bin in tarvik-configurator tarvikctl; do
        [ -x "$stage$prefix/$bindir/$bin" ] || fail "prefix $prefix: $bin is not at $prefix/$bindir/$bin"
    done
    for f in applications/tarvik-configurator.desktop \
             metainfo/org.example.TarvikConfigurator.metainfo.xml \
             icons/hicolor/16x16/apps/tarvik-configurator.png \
             icons/hicolor/256x256/apps/tarvik-configurator.png; do
        [ -f "$stage$prefix/$datadir/$f" ] || fail "prefix $prefix: $datadir/$f is not under the prefix"
    done

    # Nothing else may appear outside the prefix and the udev directory.
    stray=$(cd "$stage" && find . -type f | sed 's#^\.##' | while read -r f; do
        case "$f" in "$prefix"/* | "$udev_dir"/*) ;; *) echo "$f" ;; esac
    done)
    [ -z "$stray" ] || fail "prefix $prefix: files outside the prefix and $udev_dir: $stray"
done

echo "PASS: the programs follow the prefix, the udev rule stays in $udev_dir"
