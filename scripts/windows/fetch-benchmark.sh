#!/usr/bin/env bash
# Fetches Debian bookworm's Google Benchmark 1.7.1 source (the version of the
# host's libbenchmark-dev) into DEST/benchmark-1.7.1 for the Windows build,
# which has no packaged MinGW build of it. apt runs on a private sources list,
# state and cache under DEST, so the system's apt setup is left as it is.
# Does nothing when the tree is already there.
#   scripts/windows/fetch-benchmark.sh DEST
set -euo pipefail

if [ $# -ne 1 ]; then
  echo "usage: $0 DEST" >&2
  exit 2
fi
mkdir -p "$1"
dest=$(cd "$1" && pwd)
tree="$dest/benchmark-1.7.1"
if [ -f "$tree/CMakeLists.txt" ]; then
  echo "$tree"
  exit 0
fi

apt_dir="$dest/apt"
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
apt-get -q "${apt_opts[@]}" update >&2
# apt-get source unpacks into the working directory.
(cd "$dest" && apt-get -q "${apt_opts[@]}" source benchmark=1.7.1-1 >&2)
[ -f "$tree/CMakeLists.txt" ] || {
  echo "no source tree at $tree" >&2
  exit 1
}
echo "$tree"
