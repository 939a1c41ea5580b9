#!/bin/sh
# Installs the Debian packages that building and testing Parlo need, when any is missing.
# Quiet when everything is there.
#   deps.sh          what building and running Parlo needs
#   deps.sh --test   that, and what the tests use (a Samba server, a DNS server, a D-Bus daemon, the
#                    Adwaita styles, ...)
#   deps.sh --package  that, and what building and checking the Debian package uses (Samba too)
#   deps.sh --bench  that, and the benchmarks' baselines (smbclient, whois, an X server)
#   deps.sh --fuzz   that, and clang with libFuzzer and the sanitizer runtimes
set -eu
# Building.
packages="cmake ninja-build g++ qt6-base-dev libfontconfig-dev qt6-svg-dev qt6-webengine-dev qt6-qpa-plugins libqt6sql6-sqlite fonts-dejavu-core"
# The Linux tools behind Parlo's console commands.
packages="$packages iputils-ping traceroute bind9-dnsutils net-tools iproute2 procps"
# The system information program that the About box starts (share/registry.reg names it).
packages="$packages hardinfo"
# Test peers.
case "${1:-}" in
--test) packages="$packages samba smbclient dnsmasq-base dbus-daemon xvfb adwaita-qt6" ;;
# The package's tools: dpkg-shlibdeps, lintian and the desktop file and AppStream validators;
# and Samba, whose smb.conf the check sets up and takes back.
--package) packages="$packages dpkg-dev lintian desktop-file-utils appstream samba" ;;
--bench) packages="$packages samba dnsmasq-base smbclient whois xvfb xauth" ;;
--fuzz) packages="$packages clang libclang-rt-14-dev" ;;
esac

missing=""
for package in $packages; do
    dpkg-query -W -f='${Status}\n' "$package" 2>/dev/null | grep -q '^install ok installed$' ||
        missing="$missing $package"
done
[ -z "$missing" ] && exit 0

echo "Installing Debian packages:$missing"
sudo=""
[ "$(id -u)" -eq 0 ] || sudo=sudo
$sudo apt-get update -qq
# shellcheck disable=SC2086
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends $missing >/dev/null
