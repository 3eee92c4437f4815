#!/usr/bin/env bash
# Builds the Debian package of zarvane-feed (debian/, debhelper) and copies it into OUTDIR:
#   tools/package/build-deb.sh OUTDIR [VERSION]
# dpkg-buildpackage writes beside the tree it builds, so the tree is copied into
# DEB_BUILD (build/deb by default) and built there; the build folder in that copy is
# kept, so a second package of the same tree only compiles what changed. With VERSION,
# the copy's debian/changelog gets an entry for it first (the tests' upgrade build).
# The service's own tests run in tools/test.sh: DEB_BUILD_OPTIONS defaults to nocheck.
# Prints the path of the package.
set -euo pipefail
. "$(dirname "$0")/../lib.sh"

out=$(realpath -m "$1")
version=${2:-}
work=$(realpath -m "${DEB_BUILD:-$BUILD/deb}")
tree="$work/zarvane-feed"

# The tree as it stands (file times kept, so that the kept build only redoes what changed),
# without what earlier builds left in debian/.
mkdir -p "$tree"
rm -rf "${tree:?}"/{CMakeLists.txt,cmake,debian,deploy,resources,service,src,tests}
tar -C "$ROOT" -cf - CMakeLists.txt cmake debian deploy resources service src tests |
  tar -C "$tree" -xf -
# A changelog put back by tar is older than the kept build: date it now, so that the
# version is read again.
touch "$tree/debian/changelog"
rm -f "$work"/*.deb "$work"/*.buildinfo "$work"/*.changes

if [ -n "$version" ]; then
  changelog="$tree/debian/changelog"
  {
    printf 'zarvane-feed (%s) unstable; urgency=medium\n\n  * Build %s.\n\n' "$version" "$version"
    printf ' -- %s  %s\n\n' "$(sed -n 's/^Maintainer: //p' "$tree/debian/control")" "$(date -R)"
    cat "$changelog"
  } >"$changelog.new"
  mv "$changelog.new" "$changelog"
fi

(cd "$tree" &&
  DEB_BUILD_OPTIONS=${DEB_BUILD_OPTIONS:-nocheck noautodbgsym} \
    dpkg-buildpackage --build=binary --no-pre-clean --no-sign -j"$JOBS" >"$work/build.log" 2>&1) ||
  { tail -n 40 "$work/build.log" >&2; echo "dpkg-buildpackage failed; see $work/build.log" >&2; exit 1; }

deb=$(find "$work" -maxdepth 1 -name "zarvane-feed_*_$(dpkg --print-architecture).deb")
[ -n "$deb" ] || { echo "no package in $work" >&2; exit 1; }
mkdir -p "$out"
cp "$deb" "$out/"
echo "$out/$(basename "$deb")"
