#!/bin/sh
# Installs the Debian packages that building and testing Parlo need, when any is missing.
# Quiet when everything is there. Extra package names may be given as arguments.
set -eu
packages="cmake ninja-build g++ qt6-base-dev qt6-svg-dev qt6-qpa-plugins fonts-dejavu-core $*"

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
