#!/usr/bin/env bash
# Builds oneTBB's libtbb under ThreadSanitizer, from Debian's source package of the libtbb-dev
# version installed, into a cache outside the clone, and prints the install prefix.
#
# ThreadSanitizer only sees the synchronisation of instrumented code. With the packaged libtbb,
# the scheduler's hand-over of each task and the caller's wait for the last one happen in
# uninstrumented code, and every write a worker makes to a result slot is reported as a race
# with the caller's read after parallel_for returns (about 90 reports in a 50-round loop of a
# two-thousand-element parallel_for, none with this build). Idempotent: a second run only
# prints the prefix.
set -euo pipefail

version=$(dpkg-query -W -f='${Version}' libtbb-dev)
cache=${XDG_CACHE_HOME:-$HOME/.cache}/quorvel/onetbb-tsan-$version
prefix=$cache/prefix
if [[ -s $prefix/lib/libtbb.so ]]; then
  echo "$prefix"
  exit 0
fi

mkdir -p "$cache/lists/partial" "$cache/source"
# A sources list of its own, so that the machine's apt configuration stays as it is.
sources=$cache/sources.list
{
  echo "deb-src http://deb.debian.org/debian bookworm main"
  echo "deb-src http://deb.debian.org/debian bookworm-updates main"
  echo "deb-src http://deb.debian.org/debian-security bookworm-security main"
} >"$sources"
apt_options=(-q -o "Dir::Etc::SourceList=$sources" -o Dir::Etc::SourceParts=/dev/null
             -o "Dir::State::Lists=$cache/lists")
(
  cd "$cache/source"
  apt-get "${apt_options[@]}" update >/dev/null
  apt-get "${apt_options[@]}" source --download-only "onetbb=$version" >/dev/null 2>&1
  rm -rf tree
  dpkg-source -x ./*.dsc tree >/dev/null
) >&2

cmake -S "$cache/source/tree" -B "$cache/build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_CXX_FLAGS="-fsanitize=thread" -DTBB_TEST=OFF -DTBB_EXAMPLES=OFF -DTBBMALLOC_BUILD=OFF \
  -DTBB_STRICT=OFF -DCMAKE_INSTALL_PREFIX="$prefix" >&2
cmake --build "$cache/build" -j "$(nproc)" >&2
cmake --install "$cache/build" >&2
echo "$prefix"
