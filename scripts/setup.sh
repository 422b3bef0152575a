#!/usr/bin/env bash
# Installs every build and test dependency and fetches the PDF engine into vendor/.
# Idempotent: a second run checks what is there and installs nothing.
set -euo pipefail

repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cache=${XDG_CACHE_HOME:-$HOME/.cache}/quorvel
engine_dir=$repo/vendor/pdfium/linux-x86_64/lib
engine=$engine_dir/libpdfium.so

packages=(
  # build
  cmake ninja-build g++ pkg-config
  # libraries the project links
  libicu-dev libtbb-dev zlib1g-dev libdeflate-dev libssl-dev libfmt-dev nlohmann-json3-dev libcli11-dev
  # tests and micro-benchmarks
  libgtest-dev libgmock-dev libbenchmark-dev
  # independent readers used as oracles in tests
  qpdf libqpdf-dev poppler-utils
  # the fuzz targets (make fuzz): clang with libFuzzer, and libc++ for std::expected
  clang-16 libclang-rt-16-dev libc++-16-dev libc++abi-16-dev
  # make test-tsan unpacks oneTBB's source package to build it under ThreadSanitizer
  dpkg-dev
  # runtime libraries of the engine (ldd of libpdfiumlo.so)
  libjpeg62-turbo liblcms2-2 libopenjp2-7 libfreetype6 libpng16-16 libbrotli1 libicu72
  libabsl20220623 zlib1g
)

missing=()
for p in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
  [[ $status == "install ok installed" ]] || missing+=("$p")
done

as_root() { if [[ $(id -u) -eq 0 ]]; then "$@"; else sudo "$@"; fi; }

if ((${#missing[@]})); then
  echo "setup: installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  as_root apt-get update -qq
  as_root apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# The engine: Debian's LibreOffice build of Pdfium, which exports the whole C API.
if [[ ! -s $engine ]]; then
  mkdir -p "$cache" "$engine_dir"
  deb=$(ls "$cache"/libreoffice-core-nogui_*.deb 2>/dev/null | head -n 1 || true)
  if [[ -z $deb ]]; then
    echo "setup: downloading libreoffice-core-nogui into $cache"
    (cd "$cache" && apt-get download libreoffice-core-nogui 2>/dev/null) ||
      (as_root apt-get update -qq && cd "$cache" && apt-get download libreoffice-core-nogui 2>/dev/null)
    deb=$(ls "$cache"/libreoffice-core-nogui_*.deb | head -n 1)
  fi
  tmp=$(mktemp -d)
  trap 'rm -rf "$tmp"' EXIT
  dpkg-deb --fsys-tarfile "$deb" | tar -x -C "$tmp" ./usr/lib/libreoffice/program/libpdfiumlo.so
  install -m 0644 "$tmp/usr/lib/libreoffice/program/libpdfiumlo.so" "$engine"
  echo "setup: engine placed at $engine"
fi

# Every runtime dependency of the engine must resolve.
if ldd "$engine" | grep -q 'not found'; then
  echo "setup: the engine has unresolved libraries:" >&2
  ldd "$engine" | grep 'not found' >&2
  exit 1
fi
