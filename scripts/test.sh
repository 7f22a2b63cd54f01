#!/usr/bin/env bash
# Sets up, builds and runs every test: the layer and Windows syntax checks,
# the link and session tests under ThreadSanitizer, the whole suite under
# AddressSanitizer with UndefinedBehaviorSanitizer, each fuzz target for a
# minute, the whole suite in the normal build, and last the Windows build
# (MinGW-w64) with its tests under Wine: the window's too, and the install
# folder and installer, when Qt for MinGW is found (see the README). Every
# build treats warnings as errors.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
jobs=$(nproc)
"$root/scripts/setup.sh"

# Structure first, in seconds: no include reaches up a layer, and the
# toolkit-free code compiles for Windows.
"$root/tools/check_layers.sh"

"$root/scripts/build.sh" "$root/build/tsan" -DTARVIK_SANITIZE=thread -DTARVIK_WERROR=ON -DTARVIK_BUILD_TESTS=ON -DTARVIK_BUILD_BENCH=OFF
TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" \
  ctest --no-tests=error --test-dir "$root/build/tsan" -j "$jobs" --output-on-failure -R '^(DeviceLink|Session|OperationTemplate|ApplyInputModes|FirmwareTransfer|Sim|Fuse)'

"$root/scripts/build.sh" "$root/build/asan" -DTARVIK_SANITIZE=address -DTARVIK_WERROR=ON -DTARVIK_BUILD_TESTS=ON -DTARVIK_BUILD_BENCH=OFF
ASAN_OPTIONS="detect_leaks=1" UBSAN_OPTIONS="print_stacktrace=1 halt_on_error=1" \
  ctest --no-tests=error --test-dir "$root/build/asan" -j "$jobs" --output-on-failure

# Each fuzz target for a minute on its seed corpus, with ASan and UBSan.
"$root/scripts/fuzz.sh" 60

"$root/scripts/build.sh" "$root/build/release" -DTARVIK_SANITIZE= -DTARVIK_WERROR=ON -DTARVIK_BUILD_TESTS=ON -DTARVIK_BUILD_BENCH=ON
ctest --no-tests=error --test-dir "$root/build/release" -j "$jobs" --output-on-failure

# Everything below the window cross-built for Windows, the tests run by CTest
# through Wine in a Wine prefix of the build's own.
"$root/scripts/build.sh" "$root/build/windows" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
  -DTARVIK_WERROR=ON -DTARVIK_BUILD_TESTS=ON -DTARVIK_BUILD_BENCH=OFF
ctest --no-tests=error --test-dir "$root/build/windows" -j "$jobs" --output-on-failure
