#!/usr/bin/env bash
# Builds the libFuzzer targets (fuzz/) with clang, AddressSanitizer and
# UndefinedBehaviorSanitizer in build/fuzz, and runs each for SECONDS
# (default 60) on a scratch copy of its seed corpus, with the inputs under
# fuzz/regressions/<target>/ run too. Exits non-zero when a target crashes,
# hangs or breaks an invariant, naming the input that did it; the inputs and
# the logs stay under build/fuzz/findings/ until the next run.
#   scripts/fuzz.sh            one minute each, as in a quick check
#   scripts/fuzz.sh 3600       an hour each, for a real search
#   scripts/fuzz.sh --runs N   N executions each (10000000 for a release)
# Replay one input:  build/fuzz/fuzz/tarvik_fuzz_<target> FILE
set -euo pipefail

usage() { echo "usage: $0 [SECONDS | --runs N]" >&2; exit 2; }
if [ "${1:-}" = --runs ]; then
  amount=${2:-}
  limit=-runs
  unit=" executions"
else
  amount=${1:-60}
  limit=-max_total_time
  unit=s
fi
case $amount in
  '' | *[!0-9]*) usage ;;
esac
root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build/fuzz
jobs=$(nproc)

# The project's own packages, then clang with its sanitizer and libFuzzer
# runtimes (libclang-rt-14-dev is only recommended by clang, so it is named)
# and llvm-symbolizer for readable stacks.
"$root/scripts/setup.sh"
packages=(clang libclang-rt-14-dev llvm)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  echo "Installing: ${missing[*]}"
  $sudo apt-get update -q
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

# The fuzz preset instruments every library the targets link; the targets'
# own link adds the libFuzzer driver.
cd "$root"
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j "$jobs"

# Largest input per target: a reply past the reassembly limit is 1042
# reports; an operation script of a few hundred reports; firmware files past
# the sealed-image region; version texts a little past four characters;
# settings documents and state files of a few stand-ins.
declare -A max_len=([reassembly]=68000 [operation_replies]=16384 [firm_file]=8192 [firmware_version]=64
  [settings_files]=16384)
targets=(reassembly operation_replies firm_file firmware_version settings_files)

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export ASAN_OPTIONS="abort_on_error=1:detect_leaks=1:symbolize=1"
export UBSAN_OPTIONS="halt_on_error=1:abort_on_error=1:print_stacktrace=1"

failed=()
for name in "${targets[@]}"; do
  corpus=$work/$name
  findings=$build/findings/$name
  rm -rf "$findings"
  mkdir -p "$corpus" "$findings"
  cp -r "$root/fuzz/corpus/$name/." "$corpus/"
  extra=()
  [ -d "$root/fuzz/regressions/$name" ] && extra+=("$root/fuzz/regressions/$name")
  log=$build/findings/$name.log
  echo "== $name: ${amount}${unit}"
  status=0
  "$build/fuzz/tarvik_fuzz_$name" "$limit=$amount" -timeout=10 -max_len="${max_len[$name]}" \
    -print_final_stats=1 -artifact_prefix="$findings/" "$corpus" "${extra[@]}" >"$log" 2>&1 || status=$?
  grep -E '^stat::(number_of_executed_units|average_exec_per_sec)' "$log" | sed 's/^/   /' || true
  if [ "$status" -ne 0 ]; then
    failed+=("$name")
    echo "!! $name failed (exit $status); log: $log"
    grep -E 'ERROR|invariant broken|SUMMARY|Test unit written' "$log" | head -20 | sed 's/^/   /'
    for input in "$findings"/*; do
      [ -f "$input" ] && echo "   replay: $build/fuzz/tarvik_fuzz_$name $input"
    done
  fi
done

if [ ${#failed[@]} -gt 0 ]; then
  echo "Fuzzing found problems in: ${failed[*]}"
  exit 1
fi
echo "No crash in ${#targets[@]} targets, ${amount}${unit} each."
