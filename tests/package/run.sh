#!/usr/bin/env bash
# The Debian package suite, run as root on the test machine itself:
#  1. builds the package (tools/package/build-deb.sh) and a second build with a higher
#     version; lintian must report no error; the contents and conffiles are checked;
#  2. installs it with apt-get, asks the installed program and manual page, checks the
#     installed files against deploy/ and the units with systemd-analyze verify; without
#     a running systemd (a container) the build unit's command line is run as the unit
#     would run it; then purges it and finds nothing of it left;
#  3. installs it again, edits /etc/default/zarvane-feed, installs the second build over
#     it: the edit must stay and work; purges it again and finds nothing left.
# Whatever fails, the trap purges the package. A zarvane-feed installed before the suite
# starts is left alone: the suite refuses to run.
set -euo pipefail
. "$(dirname "$0")/../../tools/lib.sh"

PKG=zarvane-feed
DEFAULTS=/etc/default/zarvane-feed
UNIT_DIR=/usr/lib/systemd/system
UNITS=(zarvane-feed.service zarvane-feed-build.service zarvane-feed-build.timer)
WORK="$BUILD/package-test"
SAMPLES=""

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

package_state() { # installed, config-files, half-installed... or nothing once purged
  dpkg-query -W -f='${db:Status-Status}' "$PKG" 2>/dev/null | grep -v '^not-installed$' || true
}

# apt-get without questions; prints what dpkg did, or everything when it fails.
apt_get() {
  local log="$WORK/apt-get.log"
  mkdir -p "$WORK"
  if DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=600 -y -q \
    --no-install-recommends "$@" </dev/null >"$log" 2>&1; then
    grep -E '^(Unpacking|Setting up|Removing|Purging|Creating) ' "$log" || true
  else
    cat "$log"
    return 1
  fi
}

purge() {
  [ -n "$(package_state)" ] || return 0
  apt_get purge "$PKG" >/dev/null || dpkg --purge --force-all "$PKG"
}

# The files of a package, one absolute path a line, sorted.
package_files() {
  dpkg-deb --fsys-tarfile "$1" | tar -t | sed -n 's|^\./|/|p' | grep -v '/$' | sort
}

# nothing_left deb: no file of the package, and nothing that the units or the maintainer
# scripts make at run time (state folders, dpkg's and deb-systemd-helper's records).
nothing_left() {
  local path left=()
  [ -z "$(package_state)" ] || fail "$PKG is still known to dpkg: $(package_state)"
  for path in $(package_files "$1") /var/lib/zarvane-feed /var/lib/private/zarvane-feed \
    /var/lib/dpkg/info/"$PKG".* /var/lib/systemd/deb-systemd-helper-enabled/*zarvane-feed* \
    /etc/systemd/system/*/zarvane-feed*; do
    if [ -e "$path" ] || [ -L "$path" ]; then left+=("$path"); fi
  done
  [ ${#left[@]} -eq 0 ] || fail "left behind after the purge: ${left[*]}"
  echo "purged: nothing of $PKG left"
}

if [ -n "$(package_state)" ]; then
  echo "$PKG is installed on this machine ($(package_state)); the suite installs and purges" \
    "it, so remove it first" >&2
  exit 1
fi
trap 'purge; rm -rf "$WORK" "$SAMPLES"' EXIT
rm -rf "$WORK"
mkdir -p "$WORK"

# 1. The two builds, lintian, the contents.
version=$(dpkg-parsechangelog -l "$ROOT/debian/changelog" -S Version)
next="$version+test1"
deb=$("$ROOT/tools/package/build-deb.sh" "$WORK/first")
deb_next=$("$ROOT/tools/package/build-deb.sh" "$WORK/next" "$next")
[ "$(basename "$deb")" = "${PKG}_${version}_$(dpkg --print-architecture).deb" ] ||
  fail "package named $(basename "$deb")"
dpkg --compare-versions "$next" gt "$version"

echo "=== lintian $(basename "$deb")"
lintian --fail-on error "$deb" || fail "lintian reports errors"

echo "=== contents"
dpkg-deb -c "$deb"
expected="/etc/default/zarvane-feed
/usr/bin/zarvane-feed
$UNIT_DIR/zarvane-feed-build.service
$UNIT_DIR/zarvane-feed-build.timer
$UNIT_DIR/zarvane-feed.service
/usr/lib/sysusers.d/zarvane-feed.conf
/usr/share/doc/zarvane-feed/changelog.gz
/usr/share/doc/zarvane-feed/copyright
/usr/share/doc/zarvane-feed/examples/nginx-zarvane-feed.conf
/usr/share/man/man1/zarvane-feed.1.gz"
files=$(package_files "$deb")
[ "$files" = "$expected" ] || fail "the package's files differ: $(diff <(echo "$expected") <(echo "$files"))"
[ "$(dpkg-deb -f "$deb" Version)" = "$version" ] || fail "version $(dpkg-deb -f "$deb" Version)"
dpkg-deb --ctrl-tarfile "$deb" | tar -xO ./conffiles | grep -qx "$DEFAULTS" ||
  fail "$DEFAULTS is not a conffile"
[ "$(dpkg-deb --ctrl-tarfile "$deb" | tar -xO ./conffiles | wc -l)" -eq 1 ] ||
  fail "conffiles other than $DEFAULTS"

# The build unit's command line, as systemd would run it: the variables of the defaults
# file put in word by word, as the unit's user, in its state folder. Writes the feed.
# shellcheck disable=SC2120 # "$@" is the unit's command line, set inside
run_build_unit() {
  local command
  command=$(sed -n 's/^ExecStart=//p' "$UNIT_DIR/zarvane-feed-build.service")
  install -d -o zarvane-feed -g zarvane-feed /var/lib/zarvane-feed \
    /var/lib/zarvane-feed/www /var/lib/zarvane-feed/www/RirozIrid /var/lib/zarvane-feed/sources
  (
    set -f -a
    . "$DEFAULTS"
    eval "set -- $command"
    setpriv --reuid=zarvane-feed --regid=zarvane-feed --init-groups -- "$@"
  )
}

# 2. Install, ask, verify, purge.
echo "=== apt-get install ./$(basename "$deb")"
apt_get install "$deb"
[ "$(/usr/bin/zarvane-feed --version)" = "zarvane-feed $version" ] || fail "zarvane-feed --version"
[ "$(man -w zarvane-feed)" = /usr/share/man/man1/zarvane-feed.1.gz ] || fail "man -w zarvane-feed"
MANWIDTH=80 man zarvane-feed 2>/dev/null | grep -q '^EXIT STATUS' || fail "man zarvane-feed"
getent passwd zarvane-feed >/dev/null || fail "no system user zarvane-feed"
for unit in "${UNITS[@]}"; do
  cmp "$UNIT_DIR/$unit" "$ROOT/deploy/$unit"
done
cmp "$DEFAULTS" "$ROOT/deploy/zarvane-feed.default"
cmp /usr/lib/sysusers.d/zarvane-feed.conf "$ROOT/deploy/zarvane-feed.sysusers.conf"
out=$(systemd-analyze verify "${UNITS[@]/#/$UNIT_DIR/}" 2>&1) || fail "systemd-analyze verify: $out"
[ -z "$out" ] || fail "systemd-analyze verify: $out"
echo "systemd-analyze verify: the three installed units pass"
if [ -d /run/systemd/system ]; then
  for unit in zarvane-feed.service zarvane-feed-build.timer; do
    [ "$(systemctl is-enabled "$unit")" = disabled ] || fail "$unit is enabled on installation"
  done
else
  echo "no running systemd here: the units are verified, not started"
fi
purge
nothing_left "$deb"

# 3. The upgrade keeps an edited defaults file, which the build unit then reads.
echo "=== upgrade from $version to $next with $DEFAULTS edited"
# Under /tmp, so that the unit's user can read them wherever this tree is.
SAMPLES=$(mktemp -d /tmp/zarvane-package.XXXXXX)
chmod 755 "$SAMPLES"
dated_samples "$SAMPLES"
apt_get install "$deb"
sed -i -e "s|^SOURCES=.*|SOURCES=\"--source nhc=$SAMPLES/nhc-CurrentStorms.json\"|" \
  -e "s|^MAX_AGE=.*|MAX_AGE=\"--max-age $SAMPLE_MAX_AGE\"|" "$DEFAULTS"
edited=$(cat "$DEFAULTS")
apt_get install "$deb_next"
[ "$(dpkg-query -W -f='${Version}' "$PKG")" = "$next" ] || fail "the upgrade did not install $next"
[ "$(/usr/bin/zarvane-feed --version)" = "zarvane-feed $next" ] || fail "zarvane-feed --version"
[ "$(cat "$DEFAULTS")" = "$edited" ] || fail "the upgrade changed $DEFAULTS"
ls "$DEFAULTS".dpkg-* 2>/dev/null && fail "the upgrade left a copy of $DEFAULTS beside it"
run_build_unit
head -n1 /var/lib/zarvane-feed/www/RirozIrid/ssaver.dat | grep -q '^Active tropical cyclones at' ||
  fail "the build unit wrote no feed from the edited sources"
echo "the edit stayed, and the build unit built the feed from its sources"
purge
nothing_left "$deb_next"
echo "Debian package suite passed"
