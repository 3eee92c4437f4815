#!/usr/bin/env bash
# The release suite: tools/package.sh as a user runs it (the Debian package it writes has a
# suite of its own, tests/package/run.sh), then a second build of the same commit in other
# folders, whose zip must be byte for byte the same; then installer_tests.exe (from the
# cross build in build/win) under Wine inside Xvfb, in a fresh prefix of its own, since
# the setup installs into the system folder.
set -euo pipefail
. "$(dirname "$0")/../../tools/lib.sh"

"$ROOT/tools/package.sh"
version=$(cat "$BUILD/release/version.txt")
setup="zarvane-$version-setup.exe"
zip="zarvane-$version-win64.zip"
deb="zarvane-feed_$(dpkg-parsechangelog -l "$ROOT/debian/changelog" -S Version)_$(dpkg --print-architecture).deb"
[ "$(ls "$ROOT/dist")" = "$(printf '%s\n' SHA256SUMS "$setup" "$zip" "$deb" | sort)" ] ||
  { echo "dist/ does not hold exactly SHA256SUMS, $setup, $zip and $deb"; exit 1; }
(cd "$ROOT/dist" && sha256sum --check --strict SHA256SUMS)

RELEASE_BUILD="$BUILD/release-again" DIST="$BUILD/dist-again" "$ROOT/tools/package.sh" >/dev/null
cmp "$ROOT/dist/$zip" "$BUILD/dist-again/$zip"
echo "Two builds of this commit gave the same $zip"

trap 'stop_wine; stop_xvfb' EXIT
start_xvfb 1024x768
fresh_wine_prefix "$BUILD/wine-install"
setup_path="Z:$ROOT/dist/$setup"
ZARVANE_SCR="$BUILD/release/src/zarvane.scr" ZARVANE_SETUP="${setup_path//\//\\}" \
  timeout 1200 wine "$BUILD/win/tests/release/installer_tests.exe" --gtest_color=no </dev/null
