#!/bin/sh
# Builds the Debian package in the build folder (BUILD, default build/) and checks it: lintian,
# the desktop file and AppStream validators on the files it ships; then installs it, runs the
# installed program and one console program, checks the spool and the deliver program's owner
# and mode, sets Samba up with parlo-receive-setup and removes the package (which must leave
# /etc/samba/smb.conf byte for byte as before), purges it and checks that nothing of it is left
# but the system user parlo. Changes the machine's packages and, for a while, smb.conf: as root,
# or as a user who may use sudo.
set -eu
top=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD:-$top/build}
sudo=""
[ "$(id -u)" -eq 0 ] || sudo=sudo
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() {
    echo "package-check: $*" >&2
    exit 1
}

"$top/scripts/deps.sh" --package
[ -f "$build/build.ninja" ] || cmake -S "$top" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j2 -- --quiet
rm -f "$build"/parlo_*.deb
(cd "$build" && cpack -G DEB >"$work/cpack.log") || { cat "$work/cpack.log" >&2; fail "cpack failed"; }
set -- "$build"/parlo_*_amd64.deb
[ $# -eq 1 ] && [ -f "$1" ] || fail "no package in $build"
deb=$1
version=$(dpkg-deb -f "$deb" Version)
echo "Checking $(basename "$deb")"

lintian --fail-on error,warning "$deb"
dpkg-deb -x "$deb" "$work/root"
desktop-file-validate "$work/root/usr/share/applications/parlo.desktop"
appstreamcli validate --no-net "$work/root/usr/share/metainfo/parlo.metainfo.xml"
# Parlo's own page ships with it, and nothing points at a web site that does not exist.
grep -q "<title>Parlo</title>" "$work/root/usr/share/parlo/index.html" || fail "the package lacks Parlo's page"
! grep -rl "example\.org" "$work/root" || fail "files of the package name example.org"

# Installing may bring packages the machine lacked: they go again with the package.
dpkg-query -W -f='${Package}\n' | sort >"$work/before"
$sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "$deb" >/dev/null
dpkg-query -W -f='${Package}\n' | sort >"$work/after"
[ "$(/usr/bin/parlo --version)" = "parlo $version" ] || fail "parlo --version: $(/usr/bin/parlo --version)"
/usr/lib/parlo/compat/ping -n 1 127.0.0.1 || fail "the installed ping failed"
# The installed program finds its store module: the History window makes the history's database.
[ -f /usr/lib/parlo/modules/store.so ] || fail "the package lacks the store module"
user=$work/user
mkdir -m 700 "$user"
QT_QPA_PLATFORM=offscreen XDG_DATA_HOME=$user/data XDG_CONFIG_HOME=$user/config XDG_STATE_HOME=$user/state \
    XDG_RUNTIME_DIR=$user /usr/bin/parlo --history >"$work/history.log" 2>&1 &
history=$!
tries=0
while [ ! -f "$user/data/parlo/history.sqlite" ] && [ $tries -lt 100 ] && kill -0 $history 2>/dev/null; do
    sleep 0.1
    tries=$((tries + 1))
done
kill $history 2>/dev/null || true
wait $history 2>/dev/null || true # ended by the kill above
[ -f "$user/data/parlo/history.sqlite" ] || fail "the installed parlo kept no history: $(cat "$work/history.log")"
[ "$(stat -c %a:%U:%G /var/spool/parlo)" = 2750:parlo:parlo ] ||
    fail "/var/spool/parlo: $(stat -c %a:%U:%G /var/spool/parlo)"
deliver=/usr/lib/parlo/parlo-deliver
[ "$(dpkg-statoverride --list "$deliver")" = "parlo nogroup 4750 $deliver" ] ||
    fail "the statoverride of $deliver: $(dpkg-statoverride --list "$deliver")"
[ "$(stat -c %a:%U:%G "$deliver")" = 4750:parlo:nogroup ] || fail "$deliver: $(stat -c %a:%U:%G "$deliver")"
dpkg-query -L parlo | while read -r path; do [ -d "$path" ] || echo "$path"; done >"$work/files"
[ -s "$work/files" ] || fail "dpkg lists no files of parlo"

# What apt installed for the package alone (not what something else installed meanwhile).
apt-mark showauto | sort >"$work/auto"
added=$(comm -13 "$work/before" "$work/after" | comm -12 - "$work/auto" | tr '\n' ' ')

# Set up (adding nobody to group parlo), then removed: smb.conf is as it was before.
cp /etc/samba/smb.conf "$work/smb.conf"
$sudo env -u SUDO_USER parlo-receive-setup --no-restart >/dev/null
grep -qxF "include = /etc/samba/parlo.conf" /etc/samba/smb.conf || fail "parlo-receive-setup did not change smb.conf"
$sudo env DEBIAN_FRONTEND=noninteractive apt-get remove -y -qq parlo >/dev/null
cmp -s /etc/samba/smb.conf "$work/smb.conf" || fail "removing parlo left /etc/samba/smb.conf changed"
for path in /etc/samba/parlo.conf /etc/samba/smb.conf.parlo-backup; do
    [ ! -e "$path" ] || fail "$path is left after removing parlo"
done
# shellcheck disable=SC2086
$sudo env DEBIAN_FRONTEND=noninteractive apt-get purge -y -qq parlo $added >/dev/null
status=$(dpkg-query -W -f='${db:Status-Status}' parlo 2>/dev/null || true)
[ -z "$status" ] || [ "$status" = not-installed ] || fail "parlo is still $status"
while read -r path; do
    [ ! -e "$path" ] || fail "$path is left after purging"
done <"$work/files"
[ ! -e /var/spool/parlo ] || fail "/var/spool/parlo is left after purging"
! dpkg-statoverride --list "$deliver" >/dev/null || fail "the statoverride of $deliver is left after purging"
echo "The package installs, runs and purges cleanly."
