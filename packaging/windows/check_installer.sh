#!/usr/bin/env bash
# Builds the NSIS installer with CPack and checks it as a user runs it, under
# Wine in a new prefix: a silent install puts the install folder, the
# uninstaller and the Start-menu entries in place, the installed demo opens
# and connects, and the silent uninstall takes all of it away again.
#
# Usage: check_installer.sh <build dir> <work dir>
# CPACK names the cpack to use (the test passes the one CMake came with).
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=packaging/windows/wine_window.sh
. "$here/wine_window.sh"

build=${1:?usage: $0 <build dir> <work dir>}
work=${2:?usage: $0 <build dir> <work dir>}
cpack=${CPACK:-cpack}

# A new prefix each run: the machine the installer meets has nothing of it.
[ ! -d "$work/wineprefix" ] || WINEPREFIX=$work/wineprefix timeout 20 "$wineserver" -k >/dev/null 2>&1 || true
rm -rf "$work"
mkdir -p "$work/logs"
end_all_on_exit

note "cpack -G NSIS"
(cd "$build" && "$cpack" --config "$build/CPackConfig.cmake" -G NSIS -B "$work/package") \
    >"$work/logs/cpack.log" 2>&1 || { cat "$work/logs/cpack.log" >&2; fail "cpack -G NSIS failed"; }
shopt -s nullglob
installers=("$work/package"/*.exe)
shopt -u nullglob
[ ${#installers[@]} -eq 1 ] || fail "cpack made ${#installers[@]} installers, not 1"
installer=${installers[0]}

start_x "$work/xvfb.display"
use_prefix "$work/wineprefix"

# /S: no pages, no questions. The installer is 64-bit, so its Program Files
# is the 64-bit one.
note "$(basename "$installer") /S"
timeout 60 "$wine" "$installer" /S >"$work/logs/installer.log" 2>&1 \
    || { cat "$work/logs/installer.log" >&2; fail "the installer failed or took over 60 s"; }
end_wine
folder="$WINEPREFIX/drive_c/Program Files/Tarvik Configurator"
[ -d "$folder" ] || fail "nothing was installed into C:\\Program Files\\Tarvik Configurator"
check_files "$folder" "${deployed_files[@]}" Uninstall.exe

# Installed apps lists it by the product name with the project's version, from
# the 64-bit view of the registry.
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:[A-Z]*=//p' "$build/CMakeCache.txt")
uninstall_key=$(awk '/^\[Software\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\Uninstall\\\\Tarvik Configurator\]/ {on = 1}
             on && /^$/ {exit} on' "$WINEPREFIX/system.reg")
for value in '"DisplayName"="Tarvik Configurator"' "\"DisplayVersion\"=\"$version\"" \
             '"UninstallString"="\"C:\\Program Files\\Tarvik Configurator\\Uninstall.exe\""'; do
    grep -qxF "$value" <<<"$uninstall_key" || fail "the uninstall entry lacks $value; it holds: ${uninstall_key:-nothing}"
done

# Installed for all users: the Start-menu entries are the machine's.
menu="$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/Tarvik Configurator"
for entry in "Tarvik Configurator" "Tarvik Configurator Demo" Uninstall; do
    [ -f "$menu/$entry.lnk" ] || fail "no Start-menu entry \"$entry\" in $menu"
done
# The demo is started as a user starts it, from its Start-menu entry; the
# configurator's entry must name the configurator in the same folder.
grep -qaF 'C:\Program Files\Tarvik Configurator\tarvik-configurator.exe' "$menu/Tarvik Configurator.lnk" \
    || fail "the Start-menu entry \"Tarvik Configurator\" does not start the installed tarvik-configurator.exe"
timeout 30 "$wine" start /unix "$menu/Tarvik Configurator Demo.lnk" >"$work/logs/demo.log" 2>&1 \
    || { cat "$work/logs/demo.log" >&2; fail "the Start-menu entry \"Tarvik Configurator Demo\" does not start"; }
wait_for_window "$caption_connected" "the Start-menu entry \"Tarvik Configurator Demo\""
end_wine

# The uninstaller copies itself away and returns at once; the Wine server
# ends only when that copy has finished too.
note "Uninstall.exe /S"
timeout 60 "$wine" "$folder/Uninstall.exe" /S >"$work/logs/uninstall.log" 2>&1 \
    || { cat "$work/logs/uninstall.log" >&2; fail "the uninstaller failed"; }
timeout 60 "$wineserver" -w || fail "the uninstaller did not finish within 60 s"
[ ! -e "$folder" ] || fail "the uninstaller left $(cd "$folder" && find . -type f | tr '\n' ' ')"
[ ! -e "$menu" ] || fail "the uninstaller left the Start-menu folder $menu"

stop_all
rm -rf "$work"
echo "PASS: the installer installs, starts and uninstalls"
