#!/usr/bin/env bash
# Fails when an include reaches up a layer or units include each other in a
# circle. Folders are layers; from the bottom:
#   1 transport, framing and link      src/link
#     what the programs take from      src/system
#     the system they run on
#   2 the operation table              src/commands
#   3 the session that runs it         src/session
#   4 the settings                     src/settings
#   5 resources and custom controls    src/resources, src/controls
#   6 pages                            src/pages
#   7 application                      src/app
# A file includes only its own layer and those below; layers 1 to 4 and
# tarvikctl (at layer 4) include no Qt header. A unit is a file pair, x.h
# with x.cpp; a platform's implementation (x_linux.cpp) is a unit of its own.
# Prints every crossing as "file: include (layer a -> b)" and every circle.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

layer() {
  case $1 in
    src/link/* | src/system/*) echo 1 ;;
    src/commands/*) echo 2 ;;
    src/session/*) echo 3 ;;
    src/settings/* | tools/tarvikctl/*) echo 4 ;;
    src/resources/* | src/controls/*) echo 5 ;;
    src/pages/*) echo 6 ;;
    src/app/*) echo 7 ;;
    *) echo 0 ;;
  esac
}

unit() { echo "${1%.*}"; }

failures=0
edges=$(mktemp)
trap 'rm -f "$edges"' EXIT
files=$(git ls-files 'src/*.h' 'src/*.cpp' 'tools/tarvikctl/*.h' 'tools/tarvikctl/*.cpp')
for file in $files; do
  own=$(layer "$file")
  [ "$own" -gt 0 ] || { echo "$file: in no layer"; failures=$((failures + 1)); continue; }
  while IFS= read -r include; do
    [ -n "$include" ] || continue
    if [[ $include == \<Q* ]]; then
      if [ "$own" -le 4 ]; then
        echo "$file: $include (a toolkit header in toolkit-free code)"
        failures=$((failures + 1))
      fi
      continue
    fi
    name=${include//\"/}
    target=src/$name
    [ -e "$target" ] || target=$(dirname "$file")/$name
    [ -e "$target" ] || continue  # a generated header
    other=$(layer "$target")
    if [ "$other" -gt "$own" ]; then
      echo "$file: $include (layer $own -> $other)"
      failures=$((failures + 1))
    fi
    echo "$(unit "$file") $(unit "$target")" >>"$edges"
  done < <(sed -n -E 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*(<Q[A-Za-z]*>|"[^"]+")\s*.*/\1/p' "$file")
done

# tsort names the units of every circle it finds.
if ! cycles=$(tsort "$edges" 2>&1 >/dev/null); then
  echo "$cycles" | sed -E '/input contains a loop/d; s/^tsort: /units in a circle: /'
  failures=$((failures + 1))
fi

if [ "$failures" -gt 0 ]; then
  echo "$failures include(s) cross a layer upward or close a circle" >&2
  exit 1
fi
echo "layers: $(echo "$files" | wc -l) files, no include crosses a layer upward, no circle"
