#!/usr/bin/env bash
# Installs the build into a new folder with `cmake --install` and checks what
# a Windows user gets in it: exactly the programs, the Qt DLLs and the two
# plugins; no DLL that Windows itself does not bring is loaded from anywhere
# else; and, under Wine on a private X server, the configurator opens in its
# not-connected state and the demo connects to its stand-in device.
#
# Usage: check_install_folder.sh <build dir> <work dir>
# CMAKE and OBJDUMP name the tools to use (the test passes the build's).
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=packaging/windows/wine_window.sh
. "$here/wine_window.sh"

build=${1:?usage: $0 <build dir> <work dir>}
work=${2:?usage: $0 <build dir> <work dir>}
cmake=${CMAKE:-cmake}
objdump=${OBJDUMP:-x86_64-w64-mingw32-objdump}
command -v "$objdump" >/dev/null || fail "$objdump not found (Debian package binutils-mingw-w64-x86-64)"

folder=$work/install
rm -rf "$folder" "$work/logs"
mkdir -p "$work/logs"
end_all_on_exit

note "cmake --install into $folder"
"$cmake" --install "$build" --prefix "$folder" >"$work/logs/install.log" 2>&1 \
    || { cat "$work/logs/install.log" >&2; fail "cmake --install failed"; }
check_files "$folder" "${deployed_files[@]}"

# Wine brings DLLs of its own that a Windows machine may lack (the Visual C++
# runtime, for one), so the run below cannot show a missing one: every DLL a
# file of the folder imports is either in the folder or one that Windows 10
# itself has.
declare -A system_dll
for name in advapi32 authz cfgmgr32 comdlg32 d3d9 d3d11 dwmapi dwrite dxgi gdi32 hid imm32 \
    kernel32 mpr msvcrt netapi32 ole32 oleaut32 setupapi shcore shell32 shlwapi \
    user32 userenv uxtheme version winmm ws2_32 wtsapi32; do
    system_dll[$name.dll]=1
done
while IFS= read -r file; do
    while IFS= read -r dll; do
        [ -f "$folder/$dll" ] && continue
        name=$(echo "$dll" | tr '[:upper:]' '[:lower:]')
        case "$name" in api-ms-win-*) continue ;; esac
        [ -n "${system_dll[$name]:-}" ] && continue
        fail "$file imports $dll, which is neither in the folder nor part of Windows"
    done < <("$objdump" -p "$folder/$file" | sed -n 's/^[[:space:]]*DLL Name: //p')
done < <(cd "$folder" && find . -name '*.exe' -o -name '*.dll' | sed 's#^\./##')

start_x "$work/xvfb.display"
# A prefix of this check's own, kept between runs: the folder stays on the
# Linux side (drive Z:), so the prefix holds nothing of it.
use_prefix "$work/wineprefix"

show_until "$caption_not_connected" "$work/logs/configurator.log" "$folder/tarvik-configurator.exe"
end_wine
show_until "$caption_connected" "$work/logs/demo.log" "$folder/tarvik-configurator-demo.exe"
end_wine

rm -rf "$folder"
echo "PASS: the installed folder holds the programs and what they load, and runs"
