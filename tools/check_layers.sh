#!/usr/bin/env bash
# Fails when an include reaches up a layer. From the bottom:
#   1 transport, framing and link      src/link (but for the three below)
#   2 the operation table              src/commands
#   3 what runs the table              the device session, the firmware
#                                      transfer, the input mode settings copy
#   4 toolkit-free program code        settings exchanges and table, firmware
#                                      version text, the lock, the language
#                                      rule, the user's locale and the
#                                      program's identity (pages/, app/)
#   5 resources and custom controls    src/resources, src/controls
#   6 pages                            the rest of src/pages
#   7 application                      the rest of src/app
# A file includes only its own layer and those below; layers 1 to 4 and
# tarvikctl include no Qt header, and tarvikctl nothing above layer 4.
# Prints every crossing as "file: include (layer a -> b)".
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

layer() {
  case $1 in
    src/link/hid_dev_comm_app.* | src/link/firmware_transfer.* | src/link/apply_input_modes.*) echo 3 ;;
    src/link/*) echo 1 ;;
    src/commands/*) echo 2 ;;
    src/pages/settings_* | src/pages/device_features.h | src/pages/gain_steps.h | src/pages/eq_presets.h) echo 4 ;;
    src/app/firmware_version.* | src/app/single_instance_lock* | src/app/session_exchange.h) echo 4 ;;
    src/app/ui_language.* | src/app/program_identity* | src/app/user_locale.h | src/app/user_locale_windows.cpp) echo 4 ;;
    src/resources/* | src/controls/*) echo 5 ;;
    src/pages/*) echo 6 ;;
    src/app/*) echo 7 ;;
    tools/tarvikctl/*) echo 4 ;;
    *) echo 0 ;;
  esac
}

failures=0
files=$(git ls-files 'src/*.h' 'src/*.cpp' 'tools/tarvikctl/*.h' 'tools/tarvikctl/*.cpp')
for file in $files; do
  own=$(layer "$file")
  while IFS= read -r include; do
    [ -n "$include" ] || continue
    if [[ $include == \<Q* ]]; then
      if [ "$own" -le 4 ]; then
        echo "$file: $include (a toolkit header in toolkit-free code)"
        failures=$((failures + 1))
      fi
      continue
    fi
    target=src/${include//\"/}
    [ -e "$target" ] || continue  # the file's own folder, a generated header
    other=$(layer "$target")
    if [ "$other" -gt "$own" ]; then
      echo "$file: $include (layer $own -> $other)"
      failures=$((failures + 1))
    fi
  done < <(sed -n -E 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*(<Q[A-Za-z]*>|"[^"]+")\s*.*/\1/p' "$file")
done

if [ "$failures" -gt 0 ]; then
  echo "$failures include(s) cross a layer upward" >&2
  exit 1
fi
echo "layers: $(echo "$files" | wc -l) files, no include crosses a layer upward"
