#!/usr/bin/env bash
# Compiles every toolkit-free product source (link, commands, the settings
# exchanges and table, the firmware version text, the interface language, the
# single-instance lock, the program's identity and the user's locale) for
# Windows with MinGW-w64, syntax only, leaving out the files of other
# platforms (*_linux.cpp). It keeps platform calls from creeping into shared
# code before the Windows build exists to catch them.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
compiler=${CXX_MINGW:-x86_64-w64-mingw32-g++-posix}

files=$(git ls-files 'src/link/*.cpp' 'src/commands/*.cpp' 'src/pages/settings_*.cpp' \
  'src/app/firmware_version.cpp' 'src/app/ui_language.cpp' 'src/app/single_instance_lock_*.cpp' \
  'src/app/program_identity_*.cpp' 'src/app/user_locale_*.cpp' | grep -v '_linux\.cpp$')
count=0
for file in $files; do
  "$compiler" -std=c++20 -fsyntax-only -Wall -Wextra -Wpedantic -Werror -Isrc "$file"
  count=$((count + 1))
done
echo "windows syntax: $count files compile with $("$compiler" -dumpversion) for x86_64-w64-mingw32"
