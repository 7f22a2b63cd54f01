#!/usr/bin/env bash
# shellcheck disable=SC1003 # registry paths with backslashes as Wine's registry files write them
# Checks the Windows Installer package as an administrator deploys it, under
# Wine in a new prefix: a silent install puts the install folder, the
# Start-menu entry, the Installed apps entry and tarvikctl's PATH entry in
# place, and the installed programs run; a newer version installed over it
# replaces it in place; an older one over the newer is refused; the silent
# removal takes all of it away again.
#
# Usage: check_msi_install.sh <build dir> <work dir>
# The build's msi target has made the package and its folder msi-stage.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=packaging/windows/wine_window.sh
. "$here/wine_window.sh"

build=${1:?usage: $0 <build dir> <work dir>}
work=${2:?usage: $0 <build dir> <work dir>}
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:[A-Z]*=//p' "$build/CMakeCache.txt")
msi=$build/tarvik-configurator-$version-win64.msi
[ -f "$msi" ] || fail "no $msi: build the msi target first"

# A new prefix each run: the machine the package meets has nothing of it.
[ ! -d "$work/wineprefix" ] || WINEPREFIX=$work/wineprefix timeout 20 "$wineserver" -k >/dev/null 2>&1 || true
rm -rf "$work"
mkdir -p "$work/logs"
end_all_on_exit

# The newer version: the same folder with one program changed, so that what
# is installed shows which version's files it is.
IFS=. read -r major minor _ <<<"$version"
newer_version=$major.$((minor + 1)).0.0
cp -r "$build/msi-stage" "$work/newer-folder"
echo "newer build" >>"$work/newer-folder/tarvikctl.exe"
bash "$here/make_msi.sh" "$work/newer-folder" "$newer_version" "$work/newer.msi" "$work/newer-winget" \
    >"$work/logs/make_msi.log" 2>&1 || { cat "$work/logs/make_msi.log" >&2; fail "make_msi.sh failed"; }
product_code() {
    msiinfo export "$1" Property | tr -d '\r' | awk -F'\t' '$1 == "ProductCode" { print $2 }'
}
code=$(product_code "$msi")
newer_code=$(product_code "$work/newer.msi")

start_x "$work/xvfb.display"
use_prefix "$work/wineprefix"
folder="$WINEPREFIX/drive_c/Program Files/Tarvik Configurator"
path_entry='C:\\Program Files\\Tarvik Configurator\\'

# windows_path PATH: a Linux path as Wine's drive Z: shows it.
windows_path() {
    printf 'Z:%s' "${1//\//\\}"
}

# msiexec NAME ARGS...: msiexec silently, without a restart, its log in
# logs/NAME.log; the Wine server ends after it, which writes the registry
# files out. Returns msiexec's exit status.
msiexec() {
    local name=$1 status=0
    shift
    note "msiexec $*"
    timeout 120 "$wine" msiexec "$@" /qn /norestart /l*v "$(windows_path "$work/logs/$name.log")" \
        >"$work/logs/$name.out" 2>&1 || status=$?
    end_wine
    return "$status"
}

# registry_key FILE KEY: the values of KEY in a Wine registry file, one a line.
registry_key() {
    # Through the environment: awk -v would take the backslashes as escapes.
    KEY="[$2]" awk 'index($0, ENVIRON["KEY"]) == 1 { on = 1; next } on && /^$/ { exit } on' "$1"
}
uninstall_key() {
    registry_key "$WINEPREFIX/system.reg" "Software\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\Uninstall\\\\$1"
}
# The products Installed apps lists by the product name.
listed_products() {
    grep -F '[Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\' "$WINEPREFIX/system.reg" \
        | sed 's/^.*Uninstall\\\\\([^]]*\)\].*/\1/' | while read -r key; do
            uninstall_key "$key" | grep -qxF '"DisplayName"="Tarvik Configurator"' && echo "$key"
        done
}
machine_path() {
    registry_key "$WINEPREFIX/system.reg" 'System\\CurrentControlSet\\Control\\Session Manager\\Environment' \
        | sed -n 's/^"PATH"=[^"]*"\(.*\)"$/\1/p'
}
# Windows puts a per-machine package's shortcuts in the all-users Start menu;
# Wine's msiexec resolves ProgramMenuFolder to the installing user's.
start_menu_entries() {
    find "$WINEPREFIX/drive_c" -path '*/Start Menu/Programs/*' -name '*Tarvik*'
}

msiexec install /i "$(windows_path "$msi")" || fail "msiexec /i failed ($?)"
check_files "$folder" "${deployed_files[@]}"

[ "$(listed_products)" = "$code" ] || fail "Installed apps lists $(listed_products | tr '\n' ' ') instead of $code"
entry=$(uninstall_key "$code")
for value in '"DisplayName"="Tarvik Configurator"' "\"DisplayVersion\"=\"$version\"" \
             '"Publisher"="Tarvik Configurator developers"' \
             '"HelpLink"="https://tarvik-configurator.example.org/"' \
             "\"InstallLocation\"=\"$path_entry\""; do
    grep -qxF "$value" <<<"$entry" || fail "the uninstall entry lacks $value; it holds: $entry"
done
grep -qx '"Size"="[1-9][0-9]*"' <<<"$entry" || fail "the uninstall entry gives no size"
# Installed apps takes the icon from the product's registration.
icon=$(grep -h -F -A12 '[Software\\Classes\\Installer\\Products\\' "$WINEPREFIX/system.reg" \
       | sed -n 's/^"ProductIcon"="C:\\\\\(.*\)"$/\1/p' | sed 's#\\\\#/#g')
if [ -z "$icon" ] || [ ! -f "$WINEPREFIX/drive_c/$icon" ]; then
    fail "the product registers no icon file (\"$icon\")"
fi

[[ ";$(machine_path);" == *";$path_entry;"* ]] || fail "the machine PATH lacks the install folder: $(machine_path)"
timeout 30 "$wine" cmd /c tarvikctl --help >"$work/logs/tarvikctl.log" 2>&1 \
    || { cat "$work/logs/tarvikctl.log" >&2; fail "tarvikctl does not start from a command prompt by its name"; }
grep -q '^Usage: tarvikctl' "$work/logs/tarvikctl.log" || fail "\"tarvikctl --help\" by the PATH printed: $(cat "$work/logs/tarvikctl.log")"

menu_entry=$(start_menu_entries)
[ "$(basename "$menu_entry")" = "Tarvik Configurator.lnk" ] || fail "the Start-menu entries are: ${menu_entry:-none}"
grep -qaF 'C:\Program Files\Tarvik Configurator\tarvik-configurator.exe' "$menu_entry" \
    || fail "the Start-menu entry does not start the installed tarvik-configurator.exe"
# The configurator is started as a user starts it, from its entry; the demo,
# which has no entry, from the folder.
timeout 30 "$wine" start /unix "$menu_entry" >"$work/logs/configurator.log" 2>&1 \
    || { cat "$work/logs/configurator.log" >&2; fail "the Start-menu entry does not start"; }
wait_for_window "$caption_not_connected" "the Start-menu entry \"Tarvik Configurator\""
end_wine
show_until "$caption_connected" "$work/logs/demo.log" "$folder/tarvik-configurator-demo.exe"
end_wine

msiexec upgrade /i "$(windows_path "$work/newer.msi")" || fail "msiexec /i of version $newer_version failed ($?)"
[ "$(listed_products)" = "$newer_code" ] \
    || fail "after the upgrade Installed apps lists $(listed_products | tr '\n' ' ') instead of $newer_code only"
uninstall_key "$newer_code" | grep -qxF "\"DisplayVersion\"=\"$newer_version\"" || fail "the upgrade's entry is not $newer_version"
check_files "$folder" "${deployed_files[@]}"
cmp -s "$folder/tarvikctl.exe" "$work/newer-folder/tarvikctl.exe" || fail "the upgrade left the older tarvikctl.exe"
[ "$(machine_path | tr ';' '\n' | grep -cxF "$path_entry")" = 1 ] \
    || fail "after the upgrade the machine PATH holds the install folder other than once: $(machine_path)"

if msiexec downgrade /i "$(windows_path "$msi")"; then
    fail "version $version installed over the newer $newer_version"
fi
[ "$(listed_products)" = "$newer_code" ] || fail "the refused downgrade changed Installed apps: $(listed_products)"
cmp -s "$folder/tarvikctl.exe" "$work/newer-folder/tarvikctl.exe" || fail "the refused downgrade changed the files"

msiexec uninstall /x "$newer_code" || fail "msiexec /x failed ($?)"
[ ! -e "$folder" ] || fail "the removal left $(cd "$folder" && find . | tr '\n' ' ')"
[ -z "$(start_menu_entries)" ] || fail "the removal left $(start_menu_entries)"
[ -z "$(listed_products)" ] || fail "the removal left the uninstall entry $(listed_products)"
# What the programs wrote for the user stays, as on Windows; the machine's
# registry keeps nothing of the package.
leftovers=$(grep -i -F 'Tarvik' "$WINEPREFIX/system.reg" || true)
[ -z "$leftovers" ] || fail "the removal left in the registry: $leftovers"
[[ ";$(machine_path);" != *";$path_entry;"* ]] || fail "the removal left the machine PATH entry: $(machine_path)"

stop_all
rm -rf "$work"
echo "PASS: the package installs, runs, upgrades, refuses a downgrade and uninstalls"
