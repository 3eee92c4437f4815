#!/usr/bin/env bash
# Installs the Debian packages that the project's commands need (build, test, demo, bench,
# package, screenshot), and only those that are missing. Runs as root (or through sudo).
# tools/check-deps.py, run by the test command, fails when a script starts a program that
# none of these packages (nor what they pull in, nor the base system) provides.
set -euo pipefail

packages=(
  cmake ninja-build g++ clang libclang-rt-14-dev   # native build, sanitizers, libFuzzer
  clang-format clang-tidy                          # the formatting check, clang-tidy
  googletest libgtest-dev libbenchmark-dev         # unit tests and benchmarks
  g++-mingw-w64-x86-64 mingw-w64-tools             # the Windows cross build
  wine64 wine fonts-wine fonts-liberation          # the Windows platform
  xvfb xauth libgl1-mesa-dri x11-apps x11-utils    # X server, software OpenGL, xwd, xdpyinfo
  xserver-xorg-core xserver-xorg-video-dummy       # Xorg on the dummy driver: two monitors
  x11-xserver-utils                                # xrandr, which arranges them
  imagemagick xplanet-images python3               # pictures and the demo's feed server
  python3-jsonschema gdal-bin                      # zarvane-feed: its JSON against the schema, its GeoJSON read by GDAL
  tinyproxy-bin                                    # the HTTP proxy the feed tests go through
  nsis                                             # the Windows installer (makensis)
  libcurl4-openssl-dev nlohmann-json3-dev          # zarvane-feed: fetching, NHC JSON
  libpugixml-dev                                   # zarvane-feed: NHC's RSS feeds
  libboost1.81-dev                                 # zarvane-feed serve: Boost.Beast and Asio
  nginx-light systemd curl wrk xdotool             # deploy checks, the chain test, bench, demo key
  slowhttptest                                     # the feed benchmark's slow clients
  debhelper dpkg-dev lintian man-db                # zarvane-feed's Debian package and its suite
  git                                              # the release's date (SOURCE_DATE_EPOCH)
  xscreensaver-gl-extra                            # glplanet, the globe benchmark's yardstick
  sudo                                             # these installs, for a user other than root
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
# Another install on the machine holds dpkg's lock for a while: wait for it, not fail.
lock=(-o DPkg::Lock::Timeout=600)
$sudo apt-get "${lock[@]}" update -qq
$sudo apt-get "${lock[@]}" install -y --no-install-recommends "${missing[@]}" </dev/null
