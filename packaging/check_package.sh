#!/usr/bin/env bash
# Builds the Debian package from a configured, built tree and checks what a
# user would get from it: the files and where they land, the control fields,
# the udev rule, and that the desktop entry and AppStream metadata validate
# and agree with each other and with the program.
#
# Usage: check_package.sh <build dir>
# CPACK may name the cpack to use (the test passes the one CMake came with).
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
. "$here/test_common.sh"

build=${1:-}
require_build_dir "$build"
build=$(cd "$build" && pwd)
cpack=${CPACK:-cpack}

command -v dpkg-deb >/dev/null || fail "dpkg-deb not found (Debian package dpkg)"
command -v dpkg-shlibdeps >/dev/null || fail "dpkg-shlibdeps not found (Debian package dpkg-dev); the package's Depends need it"

src=$(cache_value "$build" CMAKE_HOME_DIRECTORY)
project_version=$(cache_value "$build" CMAKE_PROJECT_VERSION)
udev_dir=$(cache_value "$build" TARVIK_UDEV_RULES_DIR)
[ -n "$project_version" ] || fail "no CMAKE_PROJECT_VERSION in $build/CMakeCache.txt"
[ -n "$udev_dir" ] || fail "no TARVIK_UDEV_RULES_DIR in $build/CMakeCache.txt"
# The package carries major.minor.patch of the project version.
expected_version=$(echo "$project_version" | cut -d. -f1-3)

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

note "building the package with $cpack into $tmp/out"
if ! (cd "$build" && "$cpack" --config "$build/CPackConfig.cmake" -G DEB -B "$tmp/out") >"$tmp/cpack.log" 2>&1; then
    cat "$tmp/cpack.log" >&2
    fail "cpack -G DEB failed"
fi
shopt -s nullglob
debs=("$tmp/out"/*.deb)
shopt -u nullglob
[ "${#debs[@]}" -eq 1 ] || { cat "$tmp/cpack.log" >&2; fail "expected one .deb in $tmp/out, found ${#debs[@]}"; }
deb=${debs[0]}
note "package: $(basename "$deb")"

# --- Contents -------------------------------------------------------------
dpkg-deb -c "$deb" >"$tmp/listing"
awk '{print $6}' "$tmp/listing" | sed 's#/$##' >"$tmp/paths"

rule_path=".$udev_dir/70-tarvik.rules"
expected_files=(
    ./usr/bin/tarvik-configurator
    ./usr/bin/tarvikctl
    "$rule_path"
    ./usr/share/applications/tarvik-configurator.desktop
    ./usr/share/metainfo/org.example.TarvikConfigurator.metainfo.xml
    ./usr/share/man/man1/tarvikctl.1.gz
    ./usr/share/man/man1/tarvik-configurator.1.gz
    ./usr/share/bash-completion/completions/tarvikctl
    ./usr/share/zsh/vendor-completions/_tarvikctl
    ./usr/share/fish/vendor_completions.d/tarvikctl.fish
)
for size in 16 24 32 48 256; do
    expected_files+=("./usr/share/icons/hicolor/${size}x${size}/apps/tarvik-configurator.png")
done
missing=0
for f in "${expected_files[@]}"; do
    if ! grep -qxF "$f" "$tmp/paths"; then
        echo "missing from the package: $f" >&2
        missing=1
    fi
done
[ "$missing" -eq 0 ] || { cat "$tmp/listing" >&2; fail "the package lacks files"; }

# Nothing may land outside /usr and the udev directory: a stray absolute
# destination would leak build-machine paths into users' systems, and
# /usr/local belongs to the local administrator, not to packages.
stray=$(while read -r p; do
    case "$p" in
        . | ./usr | ./usr/* | ".$udev_dir" | ".$udev_dir"/*) continue ;;
    esac
    # the directories leading to the udev directory
    case ".$udev_dir/" in "$p"/*) continue ;; esac
    echo "$p"
done <"$tmp/paths")
[ -z "$stray" ] || fail "package holds paths outside /usr and $udev_dir: $stray"
if grep -q '^\./usr/local' "$tmp/paths"; then
    fail "package installs under /usr/local"
fi

for bin in tarvik-configurator tarvikctl; do
    grep -E "^-rwxr-xr-x .* \./usr/bin/$bin$" "$tmp/listing" >/dev/null \
        || fail "/usr/bin/$bin is not a 0755 regular file in the package"
done

# --- Control fields -------------------------------------------------------
package=$(dpkg-deb -f "$deb" Package)
version=$(dpkg-deb -f "$deb" Version)
depends=$(dpkg-deb -f "$deb" Depends)
note "Package: $package"
note "Version: $version"
note "Depends: $depends"
[ "$package" = "tarvik-configurator" ] || fail "Package is '$package', expected tarvik-configurator"
[ "$version" = "$expected_version" ] || fail "Version is '$version', expected $expected_version (project version $project_version)"
[ -n "$depends" ] || fail "Depends is empty: dpkg-shlibdeps did not run"
for dep in libqt6widgets6 libqt6core6 libc6 qt6-qpa-plugins qt6-translations-l10n; do
    echo "$depends" | grep -qE "(^|[ ,])$dep( |,|$)" || fail "Depends does not mention $dep: $depends"
done

# --- Installed files ------------------------------------------------------
root="$tmp/root"
dpkg-deb -x "$deb" "$root"

rule="$root$udev_dir/70-tarvik.rules"
grep -q 'TAG+="uaccess"' "$rule" || fail "the udev rule does not tag the device uaccess"
if grep -v '^[[:space:]]*#' "$rule" | grep -q 'MODE='; then
    fail "the udev rule sets MODE=; access must come from uaccess, not a world-writable node"
fi
# Every rule line must be limited to hidraw nodes of our vendor: a rule
# without them would hand the seat user other devices.
while IFS= read -r line; do
    case "$line" in ''|'#'*) continue ;; esac
    echo "$line" | grep -q 'SUBSYSTEM=="hidraw"' || fail "rule line not limited to hidraw: $line"
    echo "$line" | grep -q 'ATTRS{idVendor}=="2f3a"' || fail "rule line not limited to vendor 2f3a: $line"
done <"$rule"

# The rule and the metadata must cover every product ID the program opens
# or probes, as the link layer lists them.
ids_header="$src/src/session/hid_dev_comm_app.h"
[ -f "$ids_header" ] || fail "cannot find $ids_header to read the product IDs from"
product_ids=$(grep -E '^ *\{0x[0-9A-Fa-f]{4}, ProductRole::' "$ids_header" | grep -oE '0x[0-9A-Fa-f]{4}' | tr 'A-F' 'a-f' | sed 's/^0x//' | sort -u)
[ -n "$product_ids" ] || fail "found no product IDs in $ids_header (kProductIdTable)"
vendor_id=$(grep -E 'kTarvikVendorId' "$ids_header" | grep -oE '0x[0-9A-Fa-f]{4}' | head -n 1 | tr 'A-F' 'a-f' | sed 's/^0x//')
[ "$vendor_id" = "2f3a" ] || fail "the program's vendor ID is '$vendor_id', the udev rule matches 2f3a"
metainfo="$root/usr/share/metainfo/org.example.TarvikConfigurator.metainfo.xml"
for id in $product_ids; do
    grep -q "ATTRS{idProduct}==\"$id\"" "$rule" || fail "the udev rule does not cover product ID $id"
    upper=$(echo "$id" | tr 'a-f' 'A-F')
    grep -q "<modalias>usb:v2F3Ap${upper}d\*</modalias>" "$metainfo" \
        || fail "the metainfo does not provide modalias usb:v2F3Ap${upper}d*"
done

for size in 16 24 32 48 256; do
    icon="$root/usr/share/icons/hicolor/${size}x${size}/apps/tarvik-configurator.png"
    got=$(png_size "$icon")
    [ "$got" = "${size}x${size}" ] || fail "icon in ${size}x${size} is '${got:-not a PNG}'"
done

desktop="$root/usr/share/applications/tarvik-configurator.desktop"
exec_name=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$desktop")
icon_name=$(sed -n 's/^Icon=//p' "$desktop")
[ -x "$root/usr/bin/$exec_name" ] || fail "desktop entry runs '$exec_name', which the package does not install in /usr/bin"
[ -f "$root/usr/share/icons/hicolor/48x48/apps/$icon_name.png" ] || fail "desktop entry names icon '$icon_name', which the package does not install"

launchable=$(sed -n 's#.*<launchable type="desktop-id">\(.*\)</launchable>.*#\1#p' "$metainfo")
[ -f "$root/usr/share/applications/$launchable" ] || fail "metainfo launches '$launchable', which the package does not install"
newest_release=$(grep -o '<release [^>]*version="[^"]*"' "$metainfo" | head -n 1 | sed 's/.*version="\([^"]*\)"/\1/')
[ "$newest_release" = "$version" ] || fail "the newest release in the metainfo is '$newest_release' but the package is $version: add a <release> entry"

if command -v desktop-file-validate >/dev/null; then
    note "desktop-file-validate"
    desktop-file-validate "$desktop" || fail "desktop-file-validate rejects the desktop entry"
else
    note "SKIP desktop-file-validate: not installed (Debian package desktop-file-utils)"
fi

if command -v appstreamcli >/dev/null; then
    note "appstreamcli validate --no-net --strict"
    appstreamcli validate --no-net --strict "$metainfo" || fail "appstreamcli rejects the metainfo"
    # The tree check also matches the file name to the id and finds the
    # desktop entry it launches, as a software centre would.
    note "appstreamcli validate-tree --no-net --strict"
    appstreamcli validate-tree --no-net --strict "$root" || fail "appstreamcli rejects the installed tree"
else
    note "SKIP appstreamcli validate: not installed (Debian package appstream)"
fi

command -v lintian >/dev/null || fail "lintian not found (Debian package lintian)"
note "lintian --fail-on error,warning"
lintian --fail-on error,warning --display-info "$deb" || fail "lintian finds errors or warnings in the package"

echo "PASS: $(basename "$deb")"
