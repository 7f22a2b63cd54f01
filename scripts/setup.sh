#!/usr/bin/env bash
# Installs the Debian 12 packages the project builds and tests with.
# Safe to run again: it only installs what is missing.
#   scripts/setup.sh         what building, running and testing need
#   scripts/setup.sh bench   and what the window benchmarks and screenshots
#                            need (X server, the CJK fonts Wine draws with)
set -euo pipefail

packages=(
  cmake ninja-build g++ pkg-config
  libgtest-dev libgmock-dev libbenchmark-dev
  qt6-base-dev qt6-qpa-plugins fonts-dejavu-core
  libcli11-dev nlohmann-json3-dev
  dpkg-dev appstream desktop-file-utils lintian
  groff-base man-db bash-completion zsh fish
  libfuse3-dev fuse3 ansible-core
  qt6-translations-l10n
  at-spi2-core python3-pyatspi dbus dbus-bin xauth xdotool
  g++-mingw-w64-x86-64-posix mingw-w64-tools wine64 xvfb x11-utils msitools wixl
)
if [ "${1:-}" = bench ]; then
  packages+=(xvfb xauth dbus dbus-bin fonts-noto-cjk)
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
echo "Installing: ${missing[*]}"
$sudo apt-get update -q
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
