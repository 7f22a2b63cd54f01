#!/usr/bin/env bash
# Compiles every toolkit-free product source (link, commands, the settings
# exchanges and table, the firmware version text) for Windows with MinGW-w64,
# syntax only, leaving out the files of other platforms (*_linux.cpp). It
# keeps platform calls from creeping into shared code before the Windows
# build exists to catch them.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
compiler=${CXX_MINGW:-x86_64-w64-mingw32-g++-posix}

files=$(git ls-files 'src/link/*.cpp' 'src/commands/*.cpp' 'src/pages/settings_*.cpp' \
  'src/app/firmware_version.cpp' | grep -v '_linux\.cpp$')
count=0
for file in $files; do
  "$compiler" -std=c++20 -fsyntax-only -Wall -Wextra -Wpedantic -Werror -Isrc "$file"
  count=$((count + 1))
done
echo "windows syntax: $count files compile with $("$compiler" -dumpversion) for x86_64-w64-mingw32"
