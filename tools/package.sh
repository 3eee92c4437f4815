#!/usr/bin/env bash
# The release command: builds an optimised zarvane.scr and writes into dist/ the setup
# (NSIS, 64-bit), the zip (the saver, a README for Windows users, the licence, the
# credits), the Debian package of zarvane-feed (tools/package/build-deb.sh) and
# SHA256SUMS for all three. The saver's version is the CMake project's, the feed
# service's that of debian/changelog. The zip's bytes depend only on the commit: its
# dates are SOURCE_DATE_EPOCH, by default the commit's time.
# RELEASE_BUILD and DIST choose other folders (the test command builds twice).
set -euo pipefail
. "$(dirname "$0")/lib.sh"

RELEASE_BUILD=$(realpath -m "${RELEASE_BUILD:-$BUILD/release}")
DIST=$(realpath -m "${DIST:-$ROOT/dist}")
PACKAGE="$ROOT/tools/package"

"$ROOT/tools/install-deps.sh"
cmake -S "$ROOT" -B "$RELEASE_BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-w64-x86_64.cmake" >/dev/null
cmake --build "$RELEASE_BUILD" -j "$JOBS" --target zarvane >/dev/null

version=$(cat "$RELEASE_BUILD/version.txt")
epoch=${SOURCE_DATE_EPOCH:-$(git -C "$ROOT" log -1 --format=%ct 2>/dev/null || echo 0)}
scr="$RELEASE_BUILD/src/zarvane.scr"
setup="zarvane-$version-setup.exe"
zip="zarvane-$version-win64.zip"

rm -rf "$DIST"
mkdir -p "$DIST"
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
sed "s/@VERSION@/$version/g" "$PACKAGE/README.txt" >"$stage/README.txt"

python3 "$PACKAGE/make_zip.py" "$DIST/$zip" "$epoch" "zarvane.scr=$scr" \
  "README.txt=$stage/README.txt" "LICENSE.txt=$ROOT/LICENSE" \
  "CREDITS.txt=$ROOT/resources/CREDITS"
makensis -V2 -DVERSION="$version" -DSCR="$scr" -DLICENSE="$ROOT/LICENSE" \
  -DCREDITS="$ROOT/resources/CREDITS" \
  -DOUTFILE="$DIST/$setup" "$PACKAGE/zarvane.nsi" >/dev/null
deb=$(basename "$("$PACKAGE/build-deb.sh" "$DIST")")
(cd "$DIST" && sha256sum "$setup" "$zip" "$deb" >SHA256SUMS)

ls -l "$DIST"
cat "$DIST/SHA256SUMS"
