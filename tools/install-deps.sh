#!/usr/bin/env bash
# Installs the Debian packages that building, testing and running the saver need, and
# only those that are missing. Runs as root (or through sudo when it is there).
set -euo pipefail

packages=(
  cmake ninja-build g++ clang libclang-rt-14-dev   # native build, sanitizers, libFuzzer
  clang-format clang-tidy                          # the formatting check, clang-tidy
  googletest libgtest-dev libbenchmark-dev         # unit tests and benchmarks
  g++-mingw-w64-x86-64 mingw-w64-tools             # the Windows cross build
  wine64 wine fonts-wine fonts-liberation          # the Windows platform
  xvfb xauth libgl1-mesa-dri x11-apps x11-utils    # X server, software OpenGL, xwd, xdpyinfo
  imagemagick xplanet-images python3               # pictures and the demo's feed server
  python3-jsonschema gdal-bin                      # zarvane-feed: its JSON against the schema, its GeoJSON read by GDAL
  tinyproxy-bin                                    # the HTTP proxy the feed tests go through
  nsis                                             # the Windows installer (makensis)
  libcurl4-openssl-dev nlohmann-json3-dev          # zarvane-feed: fetching, NHC JSON
  libboost1.81-dev                                 # zarvane-feed serve: Boost.Beast and Asio
  nginx-light systemd curl wrk xdotool             # deploy checks, the chain test, bench, demo key
  slowhttptest                                     # the feed benchmark's slow clients
  debhelper dpkg-dev lintian man-db                # zarvane-feed's Debian package and its suite
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

sudo=""
if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y --no-install-recommends "${missing[@]}" </dev/null
