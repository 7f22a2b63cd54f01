#!/usr/bin/env bash
# Builds Qt 6.4.2 for MinGW-w64 from Debian bookworm's own qt6-base source
# (the version the Linux build uses) and installs it into PREFIX, where the
# Windows build finds it. Takes about an hour on 2 cores.
#   QtCore, QtGui, QtWidgets and QtTest as DLLs; the windows and minimal
#   platform plugins, the Windows and Vista styles; bundled zlib, libpng,
#   PCRE2 and HarfBuzz; no SQL, network, D-Bus, OpenGL or Vulkan, and no
#   tablet events (Debian's repacked source has no Wintab header for them).
# The source comes through apt on a private sources list, state and cache
# under the work folder, so the system's apt setup is left as it is. The
# host's Qt tools (moc, rcc, uic) of the same version do the code generation.
#   scripts/windows/build-qt.sh [PREFIX]   (default ~/.cache/tarvik/qt6-mingw-6.4.2)
set -euo pipefail

root=$(cd "$(dirname "$0")/../.." && pwd)
prefix=${1:-${XDG_CACHE_HOME:-$HOME/.cache}/tarvik/qt6-mingw-6.4.2}
if [ -f "$prefix/lib/cmake/Qt6/Qt6Config.cmake" ] && [ -f "$prefix/bin/Qt6Widgets.dll" ]; then
  echo "Qt for MinGW is already in $prefix"
  exit 0
fi
"$root/scripts/setup.sh"
mkdir -p "$prefix"
prefix=$(cd "$prefix" && pwd)
work="$prefix.work"
mkdir -p "$work"

apt_dir="$work/apt"
mkdir -p "$apt_dir/sources.list.d" "$apt_dir/lists/partial" "$apt_dir/cache/archives/partial"
echo "deb-src [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg]" \
  "http://deb.debian.org/debian bookworm main" >"$apt_dir/sources.list"
apt_opts=(
  -o "Dir::Etc::SourceList=$apt_dir/sources.list"
  -o "Dir::Etc::SourceParts=$apt_dir/sources.list.d"
  -o "Dir::State::Lists=$apt_dir/lists"
  -o "Dir::Cache=$apt_dir/cache"
  -o "APT::Sandbox::User=root"
)
source_tree="$work/qt6-base-6.4.2+dfsg"
if [ ! -f "$source_tree/CMakeLists.txt" ]; then
  apt-get -q "${apt_opts[@]}" update
  (cd "$work" && apt-get -q "${apt_opts[@]}" source qt6-base=6.4.2+dfsg-10)
fi
[ -f "$source_tree/CMakeLists.txt" ] || {
  echo "no source tree at $source_tree" >&2
  exit 1
}

# Qt's own toolchain: the POSIX-thread MinGW compilers, DLLs linked against
# the shared MinGW runtime, which is copied beside them below.
cat >"$work/toolchain.cmake" <<'TOOLCHAIN'
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
TOOLCHAIN

cmake -S "$source_tree" -B "$work/build" -G Ninja \
  -DCMAKE_TOOLCHAIN_FILE="$work/toolchain.cmake" -DCMAKE_INSTALL_PREFIX="$prefix" \
  -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
  -DCMAKE_BUILD_TYPE=Release -DBUILD_SHARED_LIBS=ON \
  -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF -DQT_BUILD_BENCHMARKS=OFF \
  -DFEATURE_sql=OFF -DFEATURE_network=OFF -DFEATURE_dbus=OFF -DFEATURE_opengl=OFF \
  -DFEATURE_printsupport=OFF -DFEATURE_concurrent=OFF -DFEATURE_xml=OFF -DFEATURE_testlib=ON \
  -DFEATURE_vulkan=OFF -DFEATURE_icu=OFF -DFEATURE_jpeg=OFF -DFEATURE_gif=OFF \
  -DFEATURE_system_zlib=OFF -DFEATURE_system_png=OFF -DFEATURE_system_pcre2=OFF \
  -DFEATURE_system_harfbuzz=OFF -DFEATURE_system_freetype=OFF -DFEATURE_freetype=OFF \
  -DFEATURE_androiddeployqt=OFF -DFEATURE_accessibility=ON -DFEATURE_tabletevent=OFF \
  -DFEATURE_dynamicgl=OFF
cmake --build "$work/build"
cmake --install "$work/build"

# The runtime the Qt DLLs load, from Debian's MinGW-w64 packages.
cp /usr/lib/gcc/x86_64-w64-mingw32/12-posix/libstdc++-6.dll \
  /usr/lib/gcc/x86_64-w64-mingw32/12-posix/libgcc_s_seh-1.dll \
  /usr/x86_64-w64-mingw32/lib/libwinpthread-1.dll "$prefix/bin/"
rm -rf "$work"
echo "Qt for MinGW installed in $prefix"
